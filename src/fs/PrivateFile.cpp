// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/PrivateFile.h"

#include "fs/FilePrimitives.h"
#include "fs/UniqueFd.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

int readOwnFile(int folder, const char* name, std::size_t limit, QByteArray& content) {
  content.clear();
  const UniqueFd file(
      ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.valid()) {
    return errno;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    return errno;
  }
  if (!S_ISREG(info.st_mode)) {
    return EINVAL;
  }
  if (info.st_uid != ::geteuid()) {
    return EPERM;
  }
  return readAll(file.get(), limit, content);
}

int replaceOwnFile(int folder, const char* name, const QByteArray& bytes) {
  QByteArray temporary;
  UniqueFd file;
  for (int attempt = 0; attempt < 16 && !file.valid(); ++attempt) {
    temporary = QByteArray(".") + name + '.' +
                QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
    file = UniqueFd(::openat(folder, temporary.constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid() && errno != EEXIST) {
      return errno;
    }
  }
  if (!file.valid()) {
    return EEXIST;
  }
  int error = writeAll(file.get(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
  // O_CREAT's mode is cut by the umask, never widened: the mode is set whole here.
  if (error == 0 && ::fchmod(file.get(), 0600) != 0) {
    error = errno;
  }
  if (const int closed = file.reset(); error == 0) {
    error = closed;
  }
  if (error == 0 && ::renameat(folder, temporary.constData(), folder, name) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::unlinkat(folder, temporary.constData(), 0);
  }
  return error;
}
