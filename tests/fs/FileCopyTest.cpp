// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FileCopy.h"

#include "fs/FilePrimitives.h"
#include "fs/UniqueFd.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <algorithm>
#include <cerrno>
#include <string>

namespace {

// A kernel call that fails with error at its call number at; with no error it works.
struct Way {
  int error = 0;
  int at = 0;
};

TEST(FileCopy, EachWayIsLeftForTheNextOnlyWhenRefusedBeforeAnyByte) {
  const struct {
    Way clone, range, send;
    int result;
    const char* calls;  // in turn, a letter for each run of one: Clone, Range, Send
  } cases[] = {{{}, {}, {}, 0, "C"},
               {{EOPNOTSUPP}, {}, {}, 0, "CR"},
               {{EXDEV}, {EINTR}, {}, 0, "CR"},
               {{EXDEV}, {EXDEV}, {}, 0, "CRS"},
               {{EINVAL}, {ENOSYS}, {}, 0, "CRS"},
               {{EINVAL}, {EOPNOTSUPP}, {}, 0, "CRS"},
               {{EINVAL}, {EXDEV}, {EINVAL}, 0, "CRS"},
               {{EINVAL}, {EXDEV}, {ENOSYS}, 0, "CRS"},
               {{EINVAL}, {EIO}, {}, EIO, "CR"},
               {{EINVAL}, {EXDEV, 1}, {}, EXDEV, "CR"},
               {{EINVAL}, {EXDEV}, {EINVAL, 1}, EINVAL, "CRS"},
               {{EINVAL}, {EXDEV}, {EIO}, EIO, "CRS"}};
  // More than two rounds of the read and write loop, repeating at no power of two.
  const QByteArray bytes = QByteArray("0123456789abcdefghi").repeated(8000);
  const QTemporaryDir dir;
  QFile source(dir.filePath(QStringLiteral("origen")));
  ASSERT_TRUE(source.open(QIODevice::ReadWrite) && source.write(bytes) == bytes.size());
  QFile copy(dir.filePath(QStringLiteral("copia")));
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ASSERT_TRUE(source.seek(0) && copy.open(QIODevice::ReadWrite | QIODevice::Truncate));
    std::string calls;
    const auto step = [&](char letter, const Way& way, auto real) -> ssize_t {
      const auto made = std::count(calls.begin(), calls.end(), letter);
      calls += letter;
      if (way.error != 0 && made == way.at) {
        errno = way.error;
        return -1;
      }
      return real();
    };
    // Small steps, so that each way has to go round.
    const CopyCalls scripted{
        [&](int, int to) {
          return static_cast<int>(step('C', c.clone, [&] {
            return writeAll(to, bytes.constData(), bytes.size()) == 0 ? 0 : -1;
          }));
        },
        [&](int from, int to, size_t) {
          return step('R', c.range,
                      [&] { return copy_file_range(from, nullptr, to, nullptr, 4096, 0); });
        },
        [&](int from, int to, size_t) {
          return step('S', c.send, [&] { return sendfile(to, from, nullptr, 4096); });
        }};
    off_t copied = -1;
    EXPECT_EQ(copyContents(source.handle(), copy.handle(), copied, scripted), c.result);
    calls.erase(std::unique(calls.begin(), calls.end()), calls.end());
    EXPECT_EQ(calls, c.calls);
    if (c.result == 0) {
      EXPECT_EQ(copied, bytes.size());
      EXPECT_TRUE(copy.seek(0));
      EXPECT_EQ(copy.readAll(), bytes);
    }
    copy.close();
  }
}

}  // namespace
