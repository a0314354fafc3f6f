// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FilePrimitives.h"

#include "fs/PrivateFolder.h"
#include "fs/UniqueFd.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace {

// Left at its end, to be read from its start all the same.
bool fill(QFile& file, const QByteArray& bytes) {
  return file.open(QIODevice::ReadWrite | QIODevice::Truncate) &&
         file.write(bytes) == bytes.size() && file.flush();
}

TEST(FilePrimitives, SameContentComparesWholeFilesFromTheirStarts) {
  const QByteArray chunk(1 << 16, 'a');  // what one read takes
  const struct {
    QByteArray first, second;
    bool same;
  } cases[] = {{"", "", true},
               {"abc", "abc", true},
               {"abc", "abd", false},
               {"abc", "abcd", false},
               {chunk, chunk, true},
               {chunk + "x", chunk + "y", false},
               {chunk, chunk + "x", false}};
  const QTemporaryDir dir;
  QFile first(dir.filePath(QStringLiteral("a")));
  QFile second(dir.filePath(QStringLiteral("b")));
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ASSERT_TRUE(fill(first, c.first) && fill(second, c.second));
    bool same = !c.same;
    EXPECT_EQ(sameContent(first.handle(), second.handle(), same), 0);
    EXPECT_EQ(same, c.same);
    first.close();
    second.close();
  }
  const UniqueFd folder(::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_CLOEXEC));
  ASSERT_TRUE(fill(first, "abc"));
  bool same = true;
  EXPECT_EQ(sameContent(first.handle(), folder.get(), same), EISDIR);
  EXPECT_FALSE(same);
}

// Whatever another user planted under the name is refused without blocking; a folder of ours
// that others could enter is closed to them.
TEST(FilePrimitives, APrivateFolderIsMadeOrCheckedNeverTakenOver) {
  enum Planted { Nothing, LooseFolder, Link, Fifo, PlainFile, ForeignFolder };
  const struct {
    Planted planted;
    int error;
  } cases[] = {{Nothing, 0},    {LooseFolder, 0},     {Link, ENOTDIR},
               {Fifo, ENOTDIR}, {PlainFile, ENOTDIR}, {ForeignFolder, EPERM}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.planted);
    if (c.planted == ForeignFolder && geteuid() != 0) {
      continue;  // only root can give a folder to another user
    }
    const QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("p")));
    const QByteArray elsewhere = QFile::encodeName(dir.filePath(QStringLiteral("q")));
    switch (c.planted) {
      case Nothing:
        break;
      case LooseFolder:
        ASSERT_EQ(mkdir(path.constData(), 0777), 0);
        ASSERT_EQ(chmod(path.constData(), 0777), 0);
        break;
      case Link:
        ASSERT_EQ(mkdir(elsewhere.constData(), 0700), 0);
        ASSERT_EQ(symlink(elsewhere.constData(), path.constData()), 0);
        break;
      case Fifo:
        ASSERT_EQ(mkfifo(path.constData(), 0666), 0);
        break;
      case PlainFile:
        ASSERT_EQ(UniqueFd(::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600)).valid(),
                  true);
        break;
      case ForeignFolder:
        ASSERT_EQ(mkdir(path.constData(), 0700), 0);
        ASSERT_EQ(chown(path.constData(), 65534, 65534), 0);
        break;
    }
    UniqueFd folder;
    EXPECT_EQ(openPrivateFolder(path.constData(), folder), c.error);
    EXPECT_EQ(folder.valid(), c.error == 0);
    struct stat info {};
    if (c.error == 0) {
      ASSERT_EQ(fstat(folder.get(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, 0700u);
      EXPECT_EQ(info.st_uid, geteuid());
    }
  }
}

}  // namespace
