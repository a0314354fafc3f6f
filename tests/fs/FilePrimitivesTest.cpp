// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FilePrimitives.h"

#include "fs/UniqueFd.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
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

}  // namespace
