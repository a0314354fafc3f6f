// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cerrno>

namespace {

enum class There { Nothing, File, Link, DanglingLink, Folder };

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(SafeWrite, WritesWholeOverWhatItMayReplaceAndLeavesNoDraft) {
  const struct {
    bool create;
    There there;
    int error;    // 0 when written
    mode_t mode;  // of the file written
  } cases[] = {
      {false, There::Nothing, 0, 0644},       {false, There::File, 0, 0640},
      {false, There::Link, 0, 0640},          {false, There::Folder, EISDIR, 0},
      {true, There::Nothing, 0, 0600},        {true, There::File, EEXIST, 0},
      {true, There::DanglingLink, EEXIST, 0}, {true, There::Folder, EEXIST, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Config.ini"));
    const QString named = dir.filePath(QStringLiteral("destino"));  // what a link leads to
    const bool link = c.there == There::Link || c.there == There::DanglingLink;
    const QString written = c.there == There::Link ? named : file;
    if (c.there == There::File || c.there == There::Link) {
      QFile old(written);
      ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("viejo") == 5);
      ::chmod(QFile::encodeName(written).constData(), 0640);
    }
    if (link) {
      ASSERT_TRUE(QFile::link(named, file));
    } else if (c.there == There::Folder) {
      ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Config.ini")));
    }
    const bool done =
        c.create ? createFileContents(file, "nuevo") : replaceFileContents(file, "nuevo");
    EXPECT_EQ(done ? 0 : errno, c.error);
    EXPECT_EQ(contentOf(written), done                     ? QByteArray("nuevo")
                                  : c.there == There::File ? QByteArray("viejo")
                                                           : QByteArray());
    if (done) {
      EXPECT_EQ(modeOf(written), c.mode);
    }
    EXPECT_EQ(QFileInfo(file).isSymLink(), link);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden),
              QStringList());
  }
}

}  // namespace
