#include "controls/DriveChange.h"

#include "app/MessagePresenter.h"
#include "controls/DriveProbe.h"
#include "controls/FolderList.h"

void openChosenDrive(const QString& drive, DriveProbe& probe, FolderList& folders,
                     MessagePresenter& presenter) {
  probe.setDrive(drive);
  if (!probe.ready() || !folders.setPath(drive)) {
    presenter.critical(QStringLiteral("No hay disco"),
                       QStringLiteral("La unidad no está lista, introduzca un disco."));
  }
}
