#include "fs/FileCopy.h"

#include "fs/FilePrimitives.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

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

// Between file systems of different kinds: still in the kernel, without a trip through our
// memory.
int sendFileCopy(int source, int destination, off_t& copied) {
  for (;;) {
    const ssize_t n = sendfile(destination, source, nullptr, chunk);
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
    if (copied == 0 && (errno == EINVAL || errno == ENOSYS)) {
      return sendFileCopy(source, destination, copied);
    }
    return errno;
  }
}

}  // namespace

int copyContents(int source, int destination, off_t& copied) {
  copied = 0;
  if (ioctl(destination, FICLONE, source) == 0) {
    struct stat info {};
    if (fstat(destination, &info) != 0) {
      return errno;
    }
    copied = info.st_size;
    return 0;
  }
  for (;;) {
    const ssize_t n = copy_file_range(source, nullptr, destination, nullptr, chunk, 0);
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
    if (copied == 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP)) {
      return sendFileCopy(source, destination, copied);
    }
    return errno;
  }
}
