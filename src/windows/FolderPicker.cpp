// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FolderPicker.h"

#include "controls/DriveList.h"
#include "controls/FolderList.h"
#include "controls/XPButton.h"
#include "forms/AppContext.h"
#include "forms/FolderBrowser.h"
#include "forms/MessagePresenter.h"
#include "forms/Twips.h"

#include <QLabel>

FolderPicker::FolderPicker(Forms& forms, const Design& design) : Form(forms), order_(design.order) {
  setWindowTitle(design.caption);
  setClientSize(twips(design.clientTwips.width()), twips(design.clientTwips.height()));
  setProgramIcon();

  const auto* browser =
      new FolderBrowser(this, twipsRect(0, 0, 3375, 315), twipsRect(0, 360, 3375, 2340), context());
  Drive1 = browser->drives();
  Dir1 = browser->folders();
  lblseleccion = named("lblseleccion", new QLabel(this));
  lblseleccion->setGeometry(twipsRect(0, 2760, 3375, 375));
  lblseleccion->setWordWrap(true);
  CmdCancelar = named("CmdCancelar", new XPButton(QStringLiteral("&Cancelar"), this));
  CmdCancelar->setGeometry(twipsRect(1200, 3240, 975, 375));
  CmdAceptar = named("CmdAceptar", new XPButton(QStringLiteral("&Aceptar"), this));
  CmdAceptar->setGeometry(twipsRect(2280, 3240, 975, 375));

  if (order_ == FocusOrder::DrivesFirst) {
    setFocusOrder({Drive1, Dir1, CmdCancelar, CmdAceptar});
  } else {
    setFocusOrder({Dir1, Drive1, CmdAceptar, CmdCancelar});
  }

  connect(Dir1, &FolderList::pathChanged, this, &FolderPicker::Dir1_Change);
  connect(CmdAceptar, &XPButton::clicked, this, &FolderPicker::CmdAceptar_Click);
  connect(CmdCancelar, &XPButton::clicked, this, &FolderPicker::CmdCancelar_Click);
}

void FolderPicker::Form_Load() {
  lblseleccion->setText(Dir1->path());
  if (order_ == FocusOrder::DrivesFirst) {
    Drive1->setFocus();
  } else {
    Dir1->setFocus();
  }
}

void FolderPicker::Dir1_Change() {
  lblseleccion->setText(Dir1->path());
}

void FolderPicker::CmdAceptar_Click() {
  const QString folder = lblseleccion->text();
  if (folder.isEmpty()) {
    context().presenter->critical(QStringLiteral("Error"),
                                  QStringLiteral("No ha seleccionado un directorio"), this);
    return;
  }
  emit folderChosen(folder);
  close();
}

void FolderPicker::CmdCancelar_Click() {
  close();
}
