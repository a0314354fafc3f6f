// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/FileList.h"

#include "common/TestSupport.h"

#include <QKeyEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QStringList names(const FileList& list) {
  QStringList result;
  for (int i = 0; i < list.count(); ++i) {
    result << list.item(i)->text();
  }
  return result;
}

TEST(FileList, ListsMatchingPlainFilesByNameWithoutHiddenOnes) {
  TestWorld world;
  const QString folder = world.makeFolder(QStringLiteral("f"));
  for (const char* name : {"f/b.pcx", "f/A.PCX", "f/c.Pcx", "f/d.bmp", "f/.e.pcx", "f/pcx"}) {
    world.writeFile(QString::fromLatin1(name));
  }
  world.makeFolder(QStringLiteral("f/dir.pcx"));
  FileList list(QStringLiteral("*.pcx"), nullptr);
  QSignalSpy clicks(&list, &FileList::fileClicked);

  list.setFolder(folder);

  EXPECT_EQ(names(list), (QStringList{"A.PCX", "b.pcx", "c.Pcx"}));
  EXPECT_EQ(list.folder(), folder);
  EXPECT_EQ(list.fileName(), QString());
  EXPECT_EQ(clicks.count(), 0);

  list.setFolder(world.path(QStringLiteral("no-existe")));
  EXPECT_EQ(list.count(), 0);
}

TEST(FileList, EverySelectionChangeIsAClick) {
  TestWorld world;
  const QString folder = world.makeFolder(QStringLiteral("f"));
  world.writeFile(QStringLiteral("f/a.pcx"));
  world.writeFile(QStringLiteral("f/b.pcx"));
  FileList list(QStringLiteral("*.pcx"), nullptr);
  list.setFolder(folder);
  QStringList clicked;
  QObject::connect(&list, &FileList::fileClicked, [&] { clicked << list.fileName(); });

  list.selectFile(0);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QCoreApplication::sendEvent(&list, &down);
  list.selectFile(1);  // already selected: no change, no click

  EXPECT_EQ(clicked, (QStringList{"a.pcx", "b.pcx"}));

  // Refilling clears the selection quietly.
  list.setFolder(folder);
  EXPECT_EQ(list.currentRow(), -1);
  EXPECT_EQ(clicked.size(), 2);
}

}  // namespace
