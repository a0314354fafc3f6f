// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FileOps.h"
#include "monitor/LateWrites.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An original removed after its copy, whose unseen writer goes on: what it adds comes back to
// the watched folder whole once it closes the file, or after 30 s at the latest.
TEST(LateWrites, ContentAddedAfterTheSaveComesBackWhole) {
  struct Case {
    bool append;
    bool writerStillOpen;
    int secondsLater;
    bool writtenBack;
    bool stillHeld;
  };
  const Case cases[] = {
      {false, false, 1, false, false},
      {true, false, 1, true, false},
      {true, true, 1, false, true},
      {true, true, 31, true, false},
  };
  const QDateTime saved(QDate(2004, 3, 5), QTime(9, 7, 3));
  for (const Case& c : cases) {
    QTemporaryDir dir;
    const QByteArray file = QFile::encodeName(dir.filePath(QStringLiteral("a.bmp")));
    const int writer = open(file.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    ASSERT_EQ(write(writer, "first", 5), 5);
    auto held = std::make_shared<const UniqueFd>(open(file.constData(), O_RDONLY | O_CLOEXEC));
    struct stat copied {};
    ASSERT_EQ(fstat(held->get(), &copied), 0);
    ASSERT_EQ(unlink(file.constData()), 0);
    if (c.append) {
      ASSERT_EQ(write(writer, " second", 7), 7);
    }
    if (!c.writerStillOpen) {
      close(writer);
    }
    SaveResult result;
    result.watched = std::make_shared<const UniqueFd>(
        open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    result.removed.push_back({"a.bmp", held, identityOf(copied), 0644});
    LateWrites late;
    late.adopt(result, saved);

    const std::vector<LeftFile> back = late.check(saved.addSecs(c.secondsLater), realFileOps());

    const int row = static_cast<int>(&c - cases);
    EXPECT_EQ(back.size(), c.writtenBack ? 1u : 0u) << row;
    EXPECT_EQ(late.empty(), !c.stillHeld) << row;
    QFile restored(QFile::decodeName(file));
    EXPECT_EQ(restored.open(QIODevice::ReadOnly) ? restored.readAll() : QByteArray(),
              c.writtenBack ? QByteArray("first second") : QByteArray())
        << row;
    if (c.writerStillOpen) {
      close(writer);
    }
  }
}

}  // namespace
