#include "fs/SafeWrite.h"

#include "fs/FilePrimitives.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

bool replaceFileContents(const QString& path, const QByteArray& bytes) {
  const QFileInfo info(path);
  const QString target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
  const QByteArray targetPath = QFile::encodeName(target);
  const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());

  mode_t mode = 0644;
  struct stat old {};
  if (::stat(targetPath.constData(), &old) == 0) {
    if (::access(targetPath.constData(), W_OK) != 0) {
      return false;  // a read-only settings file stays as it is
    }
    mode = old.st_mode & 07777;
  }

  QByteArray temporary = folder + "/.Config.ini.XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    return false;
  }
  const bool written =
      writeAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) == 0 &&
      ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || std::rename(temporary.constData(), targetPath.constData()) != 0) {
    const int error = errno;
    ::unlink(temporary.constData());
    errno = error;
    return false;
  }
  flushFolder(folder);
  return true;
}
