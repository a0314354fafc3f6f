// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/DriveList.h"

#include <QDir>
#include <QSignalSpy>
#include <QStorageInfo>

#include <gtest/gtest.h>

TEST(DriveList, ListsMountedVolumesOnceInOrderStartingOnTheCurrentDrive) {
  DriveList list(nullptr);
  QStringList shown;
  for (int i = 0; i < list.count(); ++i) {
    shown.append(list.itemText(i));
  }
  QStringList sorted = shown;
  sorted.sort();
  sorted.removeDuplicates();
  EXPECT_EQ(shown, sorted);
  EXPECT_TRUE(shown.contains(QStorageInfo::root().rootPath()));
  EXPECT_EQ(list.drive(), QStorageInfo(QDir::currentPath()).rootPath());
}

TEST(DriveList, SetDriveNotifiesChangesAndAddsUnlistedDrives) {
  DriveList list(nullptr);
  QSignalSpy changes(&list, &DriveList::driveChanged);
  const QString start = list.drive();

  list.setDrive(start);
  EXPECT_EQ(changes.count(), 0);

  const QString absent = QStringLiteral("/zz_sin_montar");
  const int before = list.count();
  list.setDrive(absent);
  EXPECT_EQ(list.drive(), absent);
  EXPECT_EQ(list.count(), before + 1);
  EXPECT_EQ(changes.count(), 1);

  list.setDrive(absent);
  EXPECT_EQ(list.count(), before + 1);
  list.setDrive(start);
  EXPECT_EQ(list.drive(), start);
  EXPECT_EQ(changes.count(), 2);
}

TEST(DriveList, PickingAnEntryNotifies) {
  DriveList list(nullptr);
  list.setDrive(QStringLiteral("/zz_otra"));
  QSignalSpy changes(&list, &DriveList::driveChanged);
  list.setCurrentIndex(list.findText(QStorageInfo::root().rootPath()));
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(list.drive(), QStorageInfo::root().rootPath());
}
