// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/SafeWrite.h"

#include "fs/FilePrimitives.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

namespace {

// The bytes, flushed, in a new hidden file of folder named after the target, then given the
// target's name: replacing what is there, or only where nothing is.
bool writeThroughTemporary(const QByteArray& folder, const QByteArray& target,
                           const QByteArray& bytes, mode_t mode, bool replace) {
  QByteArray temporary = folder + "/." + target.mid(target.lastIndexOf('/') + 1) + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    return false;
  }
  const bool written =
      writeAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) == 0 &&
      ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  const bool named = written && closed &&
                     ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(),
                                 replace ? 0 : RENAME_NOREPLACE) == 0;
  if (!named) {
    const int error = errno;
    ::unlink(temporary.constData());
    errno = error;
    return false;
  }
  flushFolder(folder);
  return true;
}

}  // namespace

bool replaceFileContents(const QString& path, const QByteArray& bytes) {
  const QFileInfo info(path);
  const QString target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
  const QByteArray targetPath = QFile::encodeName(target);

  mode_t mode = 0644;
  struct stat old {};
  if (::stat(targetPath.constData(), &old) == 0) {
    if (::access(targetPath.constData(), W_OK) != 0) {
      return false;  // a read-only settings file stays as it is
    }
    mode = old.st_mode & 07777;
  }
  return writeThroughTemporary(QFile::encodeName(QFileInfo(target).absolutePath()), targetPath,
                               bytes, mode, true);
}

bool createFileContents(const QString& path, const QByteArray& bytes) {
  const QFileInfo info(path);
  return writeThroughTemporary(QFile::encodeName(info.absolutePath()),
                               QFile::encodeName(info.absoluteFilePath()), bytes, 0600, false);
}

bool replaceOwnFile(const QString& path, const QByteArray& bytes) {
  const QFileInfo info(path);
  return writeThroughTemporary(QFile::encodeName(info.absolutePath()),
                               QFile::encodeName(info.absoluteFilePath()), bytes, 0600, true);
}
