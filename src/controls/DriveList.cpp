// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/DriveList.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>

QStringList mountedDrives() {
  QStringList drives;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && !volume.rootPath().isEmpty()) {
      drives.append(volume.rootPath());
    }
  }
  drives.sort();
  drives.removeDuplicates();
  return drives;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  addItems(mountedDrives());
  setDrive(QStorageInfo(QDir::currentPath()).rootPath());
  connect(this, &QComboBox::currentIndexChanged, this, &DriveList::driveChanged);
}

void DriveList::setDrive(const QString& drive) {
  int index = findText(drive, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    QStringList listed;
    for (int i = 0; i < count(); ++i) {
      listed.append(itemText(i));
    }
    index =
        static_cast<int>(std::lower_bound(listed.begin(), listed.end(), drive) - listed.begin());
    insertItem(index, drive);
  }
  setCurrentIndex(index);
}
