// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FileCopy.h"

#include "fs/FilePrimitives.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <initializer_list>

namespace {

constexpr size_t chunk = size_t{1} << 30;

// Only for what neither copy_file_range nor sendfile serves.
int readWriteCopy(int source, int destination, off_t& copied) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(source, buffer, sizeof buffer);
    if (got == 0) {
      return 0;
    }
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    if (const int error = writeAll(destination, buffer, static_cast<size_t>(got)); error != 0) {
      return error;
    }
    copied += got;
  }
}

// Repeats one kernel copy call to the end of the file; when the call is refused before any
// byte moved, the next way is tried.
template <typename Call, typename Next>
int copyWith(Call call, std::initializer_list<int> refusals, Next next, off_t& copied) {
  for (;;) {
    const ssize_t n = call();
    if (n > 0) {
      copied += n;
      continue;
    }
    if (n == 0) {
      return 0;
    }
    if (errno == EINTR) {
      continue;
    }
    if (copied == 0 && std::find(refusals.begin(), refusals.end(), errno) != refusals.end()) {
      return next();
    }
    return errno;
  }
}

}  // namespace

const CopyCalls& systemCopyCalls() {
  static const CopyCalls calls{
      [](int source, int destination) { return ioctl(destination, FICLONE, source); },
      [](int source, int destination, size_t size) {
        return copy_file_range(source, nullptr, destination, nullptr, size, 0);
      },
      [](int source, int destination, size_t size) {
        return sendfile(destination, source, nullptr, size);
      }};
  return calls;
}

int copyContents(int source, int destination, off_t& copied, const CopyCalls& calls) {
  copied = 0;
  if (calls.clone(source, destination) == 0) {
    struct stat info {};
    if (fstat(destination, &info) != 0) {
      return errno;
    }
    copied = info.st_size;
    return 0;
  }
  // Between file systems of different kinds, sendfile still copies in the kernel.
  const auto bySendfile = [&] {
    return copyWith([&] { return calls.sendFile(source, destination, chunk); }, {EINVAL, ENOSYS},
                    [&] { return readWriteCopy(source, destination, copied); }, copied);
  };
  return copyWith([&] { return calls.copyRange(source, destination, chunk); },
                  {EXDEV, ENOSYS, EOPNOTSUPP}, bySendfile, copied);
}
