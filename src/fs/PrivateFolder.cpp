// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/PrivateFolder.h"

#include "fs/FilePrimitives.h"

#include <QByteArray>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

int openPrivateFolder(int parent, const char* name, UniqueFd& folder) {
  folder.reset();
  if (mkdirat(parent, name, 0700) != 0 && errno != EEXIST) {
    return errno;
  }
  // O_NONBLOCK: a FIFO planted under the name must not hold the open.
  UniqueFd opened(
      openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!opened.valid()) {
    return errno == ELOOP ? ENOTDIR : errno;
  }
  struct stat info {};
  if (fstat(opened.get(), &info) != 0) {
    return errno;
  }
  if (!S_ISDIR(info.st_mode)) {
    return ENOTDIR;
  }
  if (info.st_uid != geteuid()) {
    return EPERM;
  }
  if ((info.st_mode & 077) != 0 && fchmod(opened.get(), 0700) != 0) {
    return errno;
  }
  folder = std::move(opened);
  return 0;
}

int openPrivateFolder(const char* path, UniqueFd& folder) {
  QByteArray above(path);
  while (above.size() > 1 && above.endsWith('/')) {
    above.chop(1);
  }
  const qsizetype slash = above.lastIndexOf('/');
  const QByteArray name = slash < 0 ? above : above.mid(slash + 1);
  above = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : above.left(slash);
  if (const int error = makeFolders(above); error != 0) {
    return error;
  }
  const UniqueFd parent(open(above.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return parent.valid() ? openPrivateFolder(parent.get(), name.constData(), folder) : errno;
}
