// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmTamano.h"

#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "forms/Twips.h"
#include "windows/FrmVisor.h"

#include <QGroupBox>
#include <QRadioButton>

namespace {

// The drawing surface's size for each choice, in twips.
constexpr QSize surfaceTwips[] = {{12000, 9000}, {15360, 11520}};

}  // namespace

FrmTamano::FrmTamano(Forms& forms) : Form(forms) {
  setObjectName(QStringLiteral("FrmTamaño"));
  setWindowTitle(QStringLiteral("Resolución"));
  setClientSize(twips(2160), twips(2040));
  setProgramIcon();

  Frame1 = named("Frame1", new QGroupBox(QStringLiteral("Resolución"), this));
  Frame1->setGeometry(twipsRect(120, 120, 1935, 1215));
  Option1 = named("Option1", new QRadioButton(QStringLiteral("800 X 600"), Frame1));
  Option1->setGeometry(twipsRect(120, 360, 1695, 255));
  Option2 = named("Option2", new QRadioButton(QStringLiteral("1024 X 768"), Frame1));
  Option2->setGeometry(twipsRect(120, 720, 1695, 255));
  CmdAceptar = named("CmdAceptar", new XPButton(QStringLiteral("&Aceptar"), this));
  CmdAceptar->setGeometry(twipsRect(120, 1440, 1935, 495));

  setFocusOrder({CmdAceptar, Option1, Option2});

  connect(Option1, &QRadioButton::toggled, this, &FrmTamano::Option1_Click);
  connect(Option2, &QRadioButton::toggled, this, &FrmTamano::Option2_Click);
  connect(CmdAceptar, &XPButton::clicked, this, &FrmTamano::CmdAceptar_Click);
}

void FrmTamano::Form_Load() {
  Option1->setChecked(true);
}

void FrmTamano::Option1_Click(bool selected) {
  if (selected) {
    resolucion = 0;
  }
}

void FrmTamano::Option2_Click(bool selected) {
  if (selected) {
    resolucion = 1;
  }
}

void FrmTamano::CmdAceptar_Click() {
  FrmVisor* visor = forms().show<FrmVisor>();
  const QSize size = surfaceTwips[resolucion == 1 ? 1 : 0];
  visor->setSurfaceSize(QSize(twips(size.width()), twips(size.height())));
  close();
}
