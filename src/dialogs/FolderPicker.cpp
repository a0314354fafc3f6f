#include "dialogs/FolderPicker.h"

#include "app/Forms.h"
#include "app/MessagePresenter.h"
#include "app/Twips.h"
#include "controls/DriveChange.h"
#include "controls/DriveList.h"
#include "controls/DriveProbe.h"
#include "controls/FolderList.h"
#include "controls/XPButton.h"

#include <QLabel>

FolderPicker::FolderPicker(Forms& forms, const QString& caption, QSize clientTwips,
                           FocusOrder order)
    : Form(forms), Disco(context().makeProbe()), order_(order) {
  setWindowTitle(caption);
  setClientSize(twips(clientTwips.width()), twips(clientTwips.height()));
  setProgramIcon();

  Drive1 = new DriveList(this);
  Drive1->setGeometry(twipsRect(0, 0, 3375, 315));
  Dir1 = new FolderList(this);
  Dir1->setGeometry(twipsRect(0, 360, 3375, 2340));
  lblseleccion = new QLabel(this);
  lblseleccion->setGeometry(twipsRect(0, 2760, 3375, 375));
  lblseleccion->setWordWrap(true);
  CmdCancelar = new XPButton(QStringLiteral("&Cancelar"), this);
  CmdCancelar->setGeometry(twipsRect(1200, 3240, 975, 375));
  CmdAceptar = new XPButton(QStringLiteral("&Aceptar"), this);
  CmdAceptar->setGeometry(twipsRect(2280, 3240, 975, 375));

  if (order_ == FocusOrder::DrivesFirst) {
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, CmdCancelar);
    setTabOrder(CmdCancelar, CmdAceptar);
  } else {
    setTabOrder(Dir1, Drive1);
    setTabOrder(Drive1, CmdAceptar);
    setTabOrder(CmdAceptar, CmdCancelar);
  }

  connect(Drive1, &DriveList::driveChanged, this, &FolderPicker::Drive1_Change);
  connect(Dir1, &FolderList::pathChanged, this, &FolderPicker::Dir1_Change);
  connect(CmdAceptar, &XPButton::clicked, this, &FolderPicker::CmdAceptar_Click);
  connect(CmdCancelar, &XPButton::clicked, this, &FolderPicker::CmdCancelar_Click);
}

FolderPicker::~FolderPicker() = default;

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

// A refused drive stays shown in the drive list while the folder list keeps its folder.
void FolderPicker::Drive1_Change() {
  openChosenDrive(Drive1->drive(), *Disco, *Dir1, *context().presenter);
}

void FolderPicker::CmdAceptar_Click() {
  const QString folder = lblseleccion->text();
  if (folder.isEmpty()) {
    context().presenter->critical(QStringLiteral("Error"),
                                  QStringLiteral("No ha seleccionado un directorio"));
    return;
  }
  deliver(folder);
  close();
}

void FolderPicker::CmdCancelar_Click() {
  close();
}
