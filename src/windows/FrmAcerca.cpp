// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmAcerca.h"

#include "controls/FittedLabel.h"
#include "controls/Labels.h"
#include "controls/XPButton.h"
#include "forms/Twips.h"

#include <QIcon>
#include <QLabel>

FrmAcerca::FrmAcerca(Forms& forms) : Form(forms) {
  setWindowTitle(QStringLiteral("Acerca de Varndel"));
  setClientSize(twips(4680), twips(4110));
  setProgramIcon();

  CmdAceptar = named("CmdAceptar", new XPButton(QStringLiteral("&Aceptar"), this));
  CmdAceptar->setGeometry(twipsRect(3600, 3600, 975, 375));
  Picture1 = named("Picture1", new QLabel(this));
  Picture1->setGeometry(twipsRect(120, 120, 495, 495));
  Picture2 = named("Picture2", makeBanner(twipsRect(840, 120, 3735, 615), this));
  Label1 = named(
      "Label1",
      makeFittedLabel(QStringLiteral("Programa que monitoriza un directorio en busca de cambios de "
                                     "un determinado archivo para guardarlo en carpetas de forma "
                                     "automática o manual."),
                      twipsRect(120, 960, 4335, 615), this));
  Label2 = named("Label2", makeFittedLabel(QStringLiteral("Autor : Equipo de Varndel"),
                                           twipsRect(120, 1680, 4215, 255), this));
  Label3 = named("Label3", makeFittedLabel(QStringLiteral("Fecha : 04/10/2004"),
                                           twipsRect(120, 2040, 4215, 255), this));
  Label4 = named("Label4", makeFittedLabel(QStringLiteral("Beta Testers : ninguno todavía"),
                                           twipsRect(120, 2400, 4215, 495), this));
  Label5 = named(
      "Label5",
      makeFittedLabel(QStringLiteral("Para más información leer el archivo Leeme.txt adjunto."),
                      twipsRect(120, 3000, 4215, 255), this));

  connect(CmdAceptar, &XPButton::clicked, this, &FrmAcerca::CmdAceptar_Click);
}

void FrmAcerca::Form_Load() {
  Picture1->setPixmap(windowIcon().pixmap(twips(495), twips(495)));
  CmdAceptar->setFocus();
}

void FrmAcerca::CmdAceptar_Click() {
  close();
}
