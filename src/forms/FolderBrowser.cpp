// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/FolderBrowser.h"

#include "controls/DriveList.h"
#include "controls/DriveProbe.h"
#include "controls/FolderList.h"
#include "forms/AppContext.h"
#include "forms/Form.h"
#include "forms/MessagePresenter.h"

FolderBrowser::FolderBrowser(QWidget* window, const QRect& drives, const QRect& folders,
                             const AppContext& context)
    : QObject(window),
      Drive1(named("Drive1", new DriveList(window))),
      Dir1(named("Dir1", new FolderList(window))),
      Disco(context.makeProbe()),
      presenter_(context.presenter) {
  Drive1->setGeometry(drives);
  Dir1->setGeometry(folders);
  connect(Drive1, &DriveList::driveChanged, this, &FolderBrowser::Drive1_Change);
}

FolderBrowser::~FolderBrowser() = default;

void FolderBrowser::Drive1_Change() {
  const QString drive = Drive1->drive();
  Disco->setDrive(drive);
  if (!Disco->ready() || !Dir1->setPath(drive)) {
    presenter_->critical(QStringLiteral("No hay disco"),
                         QStringLiteral("La unidad no está lista, introduzca un disco."),
                         qobject_cast<QWidget*>(parent()));
  }
}
