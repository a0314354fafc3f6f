// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/FileOps.h"

#include "fs/FileCopy.h"
#include "fs/FilePrimitives.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

namespace {

int result(int returned) {
  return returned == 0 ? 0 : errno;
}

}  // namespace

int FileOps::openAt(int folder, const char* name, int flags, UniqueFd& fd, mode_t mode) {
  if (const int error = before(Step::Open, name, folder); error != 0) {
    fd = UniqueFd();
    return error;
  }
  const int opened = ::openat(folder, name, flags | O_CLOEXEC, mode);
  const int error = opened >= 0 ? 0 : errno;  // closing fd's earlier descriptor may change errno
  fd = UniqueFd(opened);
  return error;
}

int FileOps::statAt(int folder, const char* name, struct stat& info) {
  if (const int error = before(Step::Stat, name, folder); error != 0) {
    return error;
  }
  return result(::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW));
}

int FileOps::makeFolder(int folder, const char* name) {
  if (const int error = before(Step::MakeFolder, name, folder); error != 0) {
    return error;
  }
  return result(::mkdirat(folder, name, 0777));
}

int FileOps::renameAt(int fromFolder, const char* from, int toFolder, const char* to) {
  if (const int error = before(Step::Rename, from, fromFolder); error != 0) {
    return error;
  }
  return result(::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE));
}

int FileOps::unlinkAt(int folder, const char* name) {
  if (const int error = before(Step::Unlink, name, folder); error != 0) {
    return error;
  }
  return result(::unlinkat(folder, name, 0));
}

int FileOps::removeFolder(int folder, const char* name) {
  if (const int error = before(Step::RemoveFolder, name, folder); error != 0) {
    return error;
  }
  return result(::unlinkat(folder, name, AT_REMOVEDIR));
}

int FileOps::copy(int from, int to, off_t& copied) {
  copied = 0;
  if (const int error = before(Step::Copy, nullptr, to); error != 0) {
    return error;
  }
  return copyContents(from, to, copied);
}

int FileOps::writeAll(int fd, const char* data, std::size_t size) {
  if (const int error = before(Step::Write, nullptr, fd); error != 0) {
    return error;
  }
  return ::writeAll(fd, data, size);
}

int FileOps::flush(int fd) {
  if (const int error = before(Step::Flush, nullptr, fd); error != 0) {
    return error;
  }
  return result(::fsync(fd));
}

FileOps& realFileOps() {
  static FileOps ops;
  return ops;
}
