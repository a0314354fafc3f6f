// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FileCopy.h"

#include "fs/FilePrimitives.h"
#include "fs/UniqueFd.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>
#include <cerrno>
#include <string>

namespace {

enum Call { Clone, Range, Send };

// A kernel call fails with error at its call number at; with no error it works.
struct Way {
  int error = 0;
  int at = 0;
};

TEST(FileCopy, EachWayIsLeftForTheNextOnlyWhenRefusedBeforeAnyByte) {
  const struct {
    Way ways[3];
    int result;
    const char* calls;  // the calls made in turn, a letter for each run of one: Clone, Range, Send
  } cases[] = {
      {{{}, {}, {}}, 0, "C"},
      {{{EOPNOTSUPP}, {}, {}}, 0, "CR"},
      {{{EXDEV}, {EINTR}, {}}, 0, "CR"},
      {{{EXDEV}, {EXDEV}, {}}, 0, "CRS"},
      {{{EINVAL}, {ENOSYS}, {}}, 0, "CRS"},
      {{{EINVAL}, {EOPNOTSUPP}, {}}, 0, "CRS"},
      {{{EINVAL}, {EXDEV}, {EINVAL}}, 0, "CRS"},
      {{{EINVAL}, {EXDEV}, {ENOSYS}}, 0, "CRS"},
      {{{EINVAL}, {EIO}, {}}, EIO, "CR"},
      {{{EINVAL}, {EXDEV, 1}, {}}, EXDEV, "CR"},
      {{{EINVAL}, {EXDEV}, {EINVAL, 1}}, EINVAL, "CRS"},
      {{{EINVAL}, {EXDEV}, {EIO}}, EIO, "CRS"},
  };
  QByteArray bytes(150000, '\0');  // more than two rounds of the read and write loop
  for (int i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(i * 7 % 251);
  }
  const QTemporaryDir dir;
  const QByteArray from = QFile::encodeName(dir.filePath(QStringLiteral("origen")));
  const QByteArray to = QFile::encodeName(dir.filePath(QStringLiteral("copia")));
  QFile source(QString::fromUtf8(from));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly) && source.write(bytes) == bytes.size());
  source.close();
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const UniqueFd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    const UniqueFd out(::open(to.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    std::string calls;
    int made[3] = {};
    // Small steps, so that each way has to go round.
    const auto step = [&](Call call, auto real) -> ssize_t {
      if (calls.empty() || calls.back() != "CRS"[call]) {
        calls += "CRS"[call];
      }
      if (made[call]++ == c.ways[call].at && c.ways[call].error != 0) {
        errno = c.ways[call].error;
        return -1;
      }
      return real();
    };
    const CopyCalls scripted{
        [&](int, int destination) {
          return static_cast<int>(step(Clone, [&] {
            return writeAll(destination, bytes.constData(), bytes.size()) == 0 ? 0 : -1;
          }));
        },
        [&](int source, int destination, size_t) {
          return step(Range, [&] {
            return copy_file_range(source, nullptr, destination, nullptr, 4096, 0);
          });
        },
        [&](int source, int destination, size_t) {
          return step(Send, [&] { return sendfile(destination, source, nullptr, 4096); });
        }};
    off_t copied = -1;
    EXPECT_EQ(copyContents(in.get(), out.get(), copied, scripted), c.result);
    EXPECT_EQ(calls, c.calls);
    if (c.result == 0) {
      EXPECT_EQ(copied, bytes.size());
      QFile copy(QString::fromUtf8(to));
      EXPECT_TRUE(copy.open(QIODevice::ReadOnly) && copy.readAll() == bytes);
    }
  }
}

}  // namespace
