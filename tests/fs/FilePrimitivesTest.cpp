// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FilePrimitives.h"

#include "fs/UniqueFd.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace {

UniqueFd openWith(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    return UniqueFd();
  }
  file.close();
  UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
  ::lseek(fd.get(), 0, SEEK_END);  // read from the start all the same
  return fd;
}

TEST(FilePrimitives, SameContentComparesWholeFilesFromTheirStarts) {
  const QByteArray chunk(1 << 16, 'a');  // what one read takes
  const struct {
    QByteArray first;
    QByteArray second;
    bool same;
  } cases[] = {
      {"", "", true},
      {"abc", "abc", true},
      {"abc", "abd", false},
      {"abc", "abcd", false},
      {"abcd", "abc", false},
      {chunk, chunk, true},
      {chunk + "x", chunk + "y", false},
      {chunk, chunk + "x", false},
      {chunk + "x", chunk, false},
  };
  const QTemporaryDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const UniqueFd first = openWith(dir.filePath(QStringLiteral("a")), c.first);
    const UniqueFd second = openWith(dir.filePath(QStringLiteral("b")), c.second);
    bool same = !c.same;
    EXPECT_EQ(sameContent(first.get(), second.get(), same), 0);
    EXPECT_EQ(same, c.same);
  }
  const UniqueFd file = openWith(dir.filePath(QStringLiteral("a")), "abc");
  const UniqueFd folder(::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_CLOEXEC));
  bool same = true;
  EXPECT_EQ(sameContent(file.get(), folder.get(), same), EISDIR);
  EXPECT_FALSE(same);
}

}  // namespace
