// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/DriveProbe.h"

#include <QStorageInfo>

bool StorageDriveProbe::ready() const {
  const QStorageInfo storage(drive_);
  return storage.isValid() && storage.isReady();
}
