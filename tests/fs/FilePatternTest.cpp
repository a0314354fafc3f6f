// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FilePattern.h"

#include "common/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QStringList sorted(QStringList names) {
  names.sort();
  return names;
}

TEST(FilePattern, MatchesLikeWindowsWildcards) {
  const FilePattern bmp(QStringLiteral(" *.bmp ; *.PNG;;"));
  EXPECT_TRUE(bmp.matches("a.bmp"));
  EXPECT_TRUE(bmp.matches("A.BMP"));
  EXPECT_TRUE(bmp.matches("b.png"));
  EXPECT_FALSE(bmp.matches("a.bmp.txt"));
  EXPECT_FALSE(bmp.matches(".oculto.bmp"));

  const FilePattern all(QStringLiteral("*.*"));
  EXPECT_TRUE(all.matches("README"));
  EXPECT_TRUE(all.matches("a.b"));

  const FilePattern literal(QStringLiteral("[1]?.pcx"));
  EXPECT_TRUE(literal.matches("[1]a.pcx"));
  EXPECT_FALSE(literal.matches("1a.pcx"));

  EXPECT_TRUE(FilePattern(QStringLiteral(" ; ")).isEmpty());
  EXPECT_FALSE(FilePattern().matches("a.bmp"));
}

TEST(FilePattern, ListsOnlyPlainVisibleFilesOfTheFolderItself) {
  TestWorld world;
  const QString folder = world.makeFolder(QStringLiteral("w"));
  world.writeFile(QStringLiteral("w/a.bmp"));
  world.writeFile(QStringLiteral("w/B.BMP"));
  world.writeFile(QStringLiteral("w/c.jpg"));
  world.writeFile(QStringLiteral("w/.d.bmp"));
  world.makeFolder(QStringLiteral("w/sub.bmp"));
  world.writeFile(QStringLiteral("w/sub.bmp/e.bmp"));
  QFile::link(world.path(QStringLiteral("w/a.bmp")), world.path(QStringLiteral("w/link.bmp")));
  QFile::link(world.path(QStringLiteral("w/sub.bmp")), world.path(QStringLiteral("w/dir.bmp")));

  EXPECT_EQ(
      sorted(matchingFiles(folder, FilePattern(QStringLiteral("*.bmp")))),
      QStringList({QStringLiteral("B.BMP"), QStringLiteral("a.bmp"), QStringLiteral("link.bmp")}));
  EXPECT_EQ(matchingFiles(folder, FilePattern()), QStringList());
  EXPECT_EQ(matchingFiles(world.path(QStringLiteral("missing")), FilePattern(QStringLiteral("*"))),
            QStringList());
}

}  // namespace
