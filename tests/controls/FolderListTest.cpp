// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "controls/FolderList.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

int rowOf(const FolderList& list, const QString& folder) {
  for (int row = 0; row < list.count(); ++row) {
    if (list.folderAt(row) == folder) {
      return row;
    }
  }
  return -1;
}

}  // namespace

TEST(FolderList, StartsInTheWorkingDirectory) {
  FolderList list(nullptr);
  EXPECT_EQ(list.path(), QDir::cleanPath(QDir::currentPath()));
}

TEST(FolderList, ShowsAncestorsAndVisibleSubfoldersOnly) {
  TestWorld world;
  const QString open = world.makeFolder(QStringLiteral("a/b"));
  world.makeFolder(QStringLiteral("a/b/zeta"));
  world.makeFolder(QStringLiteral("a/b/Alfa"));
  world.makeFolder(QStringLiteral("a/b/.oculta"));
  world.makeFolder(QStringLiteral("a/b/.wine/drive_c"));  // a Wine prefix, shown though hidden
  world.writeFile(QStringLiteral("a/b/fichero.txt"));
  world.makeFolder(QStringLiteral("a/hermana"));

  FolderList list(nullptr);
  ASSERT_TRUE(list.setPath(open));
  EXPECT_EQ(list.subfolderCount(), 3);

  // Root first, each ancestor in turn, then the open folder at the current row.
  EXPECT_EQ(list.folderAt(0), QStringLiteral("/"));
  const int openRow = rowOf(list, open);
  ASSERT_GE(openRow, 1);
  EXPECT_EQ(list.currentRow(), openRow);
  EXPECT_EQ(list.folderAt(openRow - 1), world.path(QStringLiteral("a")));
  EXPECT_EQ(list.count(), openRow + 1 + 3);
  EXPECT_EQ(list.folderAt(openRow + 1), open + QStringLiteral("/.wine"));
  EXPECT_EQ(list.folderAt(openRow + 2), open + QStringLiteral("/Alfa"));
  EXPECT_EQ(list.folderAt(openRow + 3), open + QStringLiteral("/zeta"));
  EXPECT_EQ(rowOf(list, world.path(QStringLiteral("a/hermana"))), -1);
  // Deeper entries are indented further.
  EXPECT_GT(list.item(openRow + 2)->text().indexOf(QLatin1Char('A')),
            list.item(openRow)->text().indexOf(QLatin1Char('b')));
}

TEST(FolderList, SetPathNotifiesOnlyRealChanges) {
  TestWorld world;
  const QString first = world.makeFolder(QStringLiteral("uno"));
  const QString second = world.makeFolder(QStringLiteral("dos"));
  FolderList list(nullptr);
  QSignalSpy changes(&list, &FolderList::pathChanged);

  EXPECT_TRUE(list.setPath(first));
  EXPECT_EQ(changes.count(), 1);
  EXPECT_TRUE(list.setPath(first + QStringLiteral("/")));
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(list.path(), first);

  EXPECT_FALSE(list.setPath(world.path(QStringLiteral("no_existe"))));
  world.writeFile(QStringLiteral("fichero"));
  EXPECT_FALSE(list.setPath(world.path(QStringLiteral("fichero"))));
  EXPECT_FALSE(list.setPath(QString()));
  EXPECT_EQ(list.path(), first);
  EXPECT_EQ(changes.count(), 1);

  EXPECT_TRUE(list.setPath(second));
  EXPECT_EQ(list.path(), second);
  EXPECT_EQ(changes.count(), 2);
}

TEST(FolderList, SetPathShowsSubfoldersMadeSince) {
  TestWorld world;
  const QString open = world.makeFolder(QStringLiteral("abierta"));
  FolderList list(nullptr);
  list.setPath(open);
  EXPECT_EQ(list.subfolderCount(), 0);
  world.makeFolder(QStringLiteral("abierta/nueva"));
  list.setPath(open);
  EXPECT_EQ(list.subfolderCount(), 1);
}

TEST(FolderList, OpeningChangesThePathButHighlightingDoesNot) {
  TestWorld world;
  const QString open = world.makeFolder(QStringLiteral("raiz"));
  const QString child = world.makeFolder(QStringLiteral("raiz/hija"));
  world.makeFolder(QStringLiteral("raiz/otra"));
  FolderList list(nullptr);
  list.resize(300, 2000);
  list.setPath(open);
  list.show();
  QSignalSpy changes(&list, &FolderList::pathChanged);

  const int childRow = rowOf(list, child);
  list.setCurrentRow(childRow);
  EXPECT_EQ(list.path(), open);
  EXPECT_EQ(changes.count(), 0);

  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(list.path(), child);
  EXPECT_EQ(changes.count(), 1);

  // Double-click on the parent entry goes back up.
  const int parentRow = rowOf(list, open);
  const QRect parentRect = list.visualItemRect(list.item(parentRow));
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, parentRect.center());
  EXPECT_EQ(list.path(), open);
  EXPECT_EQ(changes.count(), 2);
  EXPECT_EQ(list.subfolderCount(), 2);
}
