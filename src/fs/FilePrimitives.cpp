// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FilePrimitives.h"

#include "fs/OpenFlags.h"
#include "fs/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

constexpr std::size_t chunk = std::size_t{1} << 16;

// Reads up to size bytes at offset, short only at the end of the file.
int readAt(int fd, char* buffer, std::size_t size, off_t offset, std::size_t& got) {
  got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, buffer + got, size - got, offset + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return errno;
    }
    if (n == 0) {
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

int writeAll(int fd, const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = ::write(fd, data + done, size - done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written < 0) {
      return errno;
    }
    if (written == 0) {
      return EIO;
    }
    done += static_cast<std::size_t>(written);
  }
  return 0;
}

int flushFolder(const QByteArray& path) {
  const UniqueFd folder(::open(path.constData(), openflags::folder));
  if (!folder.valid()) {
    return errno;
  }
  return ::fsync(folder.get()) == 0 ? 0 : errno;
}

int makeFolders(const QByteArray& path) {
  std::error_code error;
  std::filesystem::create_directories(path.toStdString(), error);
  return error.value();
}

int folderOpenError(const QByteArray& path) {
  return UniqueFd(::open(path.constData(), openflags::folder)).valid() ? 0 : errno;
}

int readAll(int fd, std::size_t limit, QByteArray& content) {
  content.clear();
  char buffer[chunk];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return errno;
    }
    if (n == 0) {
      return 0;
    }
    if (static_cast<std::size_t>(content.size()) + static_cast<std::size_t>(n) > limit) {
      return EFBIG;
    }
    content.append(buffer, n);
  }
}

int sameContent(int first, int second, bool& same) {
  same = false;
  std::vector<char> a(chunk);
  std::vector<char> b(chunk);
  for (off_t offset = 0;;) {
    std::size_t gotA = 0;
    std::size_t gotB = 0;
    if (const int error = readAt(first, a.data(), chunk, offset, gotA); error != 0) {
      return error;
    }
    if (const int error = readAt(second, b.data(), chunk, offset, gotB); error != 0) {
      return error;
    }
    if (gotA != gotB || std::memcmp(a.data(), b.data(), gotA) != 0) {
      return 0;
    }
    if (gotA < chunk) {
      same = true;
      return 0;
    }
    offset += static_cast<off_t>(gotA);
  }
}

int lockWithoutWaiting(int fd) {
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

std::vector<std::pair<QByteArray, unsigned char>> entriesOf(int folder) {
  std::vector<std::pair<QByteArray, unsigned char>> entries;
  const int listing = dup(folder);
  DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr;
  if (!dir) {
    if (listing >= 0) {
      close(listing);
    }
    return entries;
  }
  rewinddir(dir);
  while (const dirent* entry = readdir(dir)) {
    const QByteArray name(entry->d_name);
    if (name != "." && name != "..") {
      entries.emplace_back(name, entry->d_type);
    }
  }
  closedir(dir);
  return entries;
}
