// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/RecordFile.h"

#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "fs/UniqueFd.h"

#include <QFile>
#include <QFileInfo>

#include <sys/file.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

int readRecordFile(const QString& path, std::size_t limit, QByteArray& text) {
  text.clear();
  const UniqueFd fd(::open(QFile::encodeName(path).constData(), openflags::read));
  if (!fd.valid()) {
    return errno == ENOENT ? 0 : errno;
  }
  return readAll(fd.get(), limit, text);
}

int appendRecordLine(const QString& path, const QByteArray& line) {
  const UniqueFd fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC));
  if (!fd.valid()) {
    return errno;
  }
  const int error = writeAll(fd.get(), line.constData(), static_cast<std::size_t>(line.size()));
  return error != 0 ? error : (::fsync(fd.get()) == 0 ? 0 : errno);
}

UniqueFd lockRecordFolder(const QString& path) {
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  makeFolders(folder);
  UniqueFd fd(::open(folder.constData(), openflags::folder));
  while (fd.valid() && ::flock(fd.get(), LOCK_EX) != 0) {
    if (errno != EINTR) {
      return UniqueFd();
    }
  }
  return fd;
}
