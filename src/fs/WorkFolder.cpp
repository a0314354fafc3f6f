// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/WorkFolder.h"

#include "fs/FilePrimitives.h"
#include "fs/PrivateFolder.h"

#include <QRandomGenerator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <cerrno>
#include <ctime>

namespace {

constexpr int attempts = 16;

// A folder of ours that nobody else may enter, not reached through a link; none is made.
UniqueFd openOurs(int parent, const char* name) {
  UniqueFd folder(
      openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info {};
  if (!folder.valid() || fstat(folder.get(), &info) != 0 || info.st_uid != geteuid() ||
      (info.st_mode & 077) != 0) {
    return UniqueFd();
  }
  return folder;
}

bool isSpareOf(const QByteArray& name, const QByteArray& base) {
  return name.size() > base.size() + 1 && name.startsWith(base) && name[base.size()] == '-';
}

// The first spare of ours in parent, or a new one under a name nobody can foresee.
int openSpare(int parent, const QByteArray& base, QByteArray& name, UniqueFd& folder) {
  for (const auto& [entry, kind] : entriesOf(parent)) {
    if (isSpareOf(entry, base) && (kind == DT_DIR || kind == DT_UNKNOWN)) {
      folder = openOurs(parent, entry.constData());
      if (folder.valid()) {
        name = entry;
        return 0;
      }
    }
  }
  for (int attempt = 0; attempt < attempts; ++attempt) {
    name = base + '-' + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
    if (mkdirat(parent, name.constData(), 0700) == 0) {
      folder = openOurs(parent, name.constData());
      return folder.valid() ? 0 : ENOENT;
    }
    if (errno != EEXIST) {
      return errno;
    }
  }
  return EEXIST;
}

// Only a copy removing the folder holds it exclusively, and only for a moment: the wait is
// short and bounded all the same. A file system without locks gives a folder used unlocked.
int lockShared(int folder) {
  const timespec pause{0, 5'000'000};
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (flock(folder, LOCK_SH | LOCK_NB) == 0) {
      return 0;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      return 0;
    }
    nanosleep(&pause, nullptr);
  }
  return EWOULDBLOCK;
}

}  // namespace

WorkFolder& WorkFolder::operator=(WorkFolder&& other) noexcept {
  if (this != &other) {
    leave();
    parent_ = std::move(other.parent_);
    folder_ = std::move(other.folder_);
    name_ = std::move(other.name_);
  }
  return *this;
}

int WorkFolder::open(int parent, const QByteArray& base) {
  leave();
  int error = ENOENT;
  for (int attempt = 0; attempt < attempts && error == ENOENT; ++attempt) {
    UniqueFd folder;
    QByteArray name = base;
    error = openPrivateFolder(parent, base.constData(), folder);
    if (error == EPERM || error == ENOTDIR) {
      error = openSpare(parent, base, name, folder);
    }
    if (error == 0) {
      error = hold(parent, name, std::move(folder));
    }
  }
  return error;
}

std::vector<WorkFolder> WorkFolder::existing(int parent, const QByteArray& base) {
  std::vector<WorkFolder> found;
  for (const auto& [name, kind] : entriesOf(parent)) {
    if ((name == base || isSpareOf(name, base)) && (kind == DT_DIR || kind == DT_UNKNOWN)) {
      WorkFolder folder;
      UniqueFd fd = openOurs(parent, name.constData());
      if (fd.valid() && folder.hold(parent, name, std::move(fd)) == 0) {
        found.push_back(std::move(folder));
      }
    }
  }
  return found;
}

int WorkFolder::hold(int parent, const QByteArray& name, UniqueFd folder) {
  if (const int error = lockShared(folder.get()); error != 0) {
    return error;
  }
  struct stat info {};
  if (fstat(folder.get(), &info) != 0) {
    return errno;
  }
  if (info.st_nlink == 0) {
    return ENOENT;
  }
  parent_ = UniqueFd(fcntl(parent, F_DUPFD_CLOEXEC, 0));
  if (!parent_.valid()) {
    return errno;
  }
  folder_ = std::move(folder);
  name_ = name;
  return 0;
}

// The shared lock is dropped first, so that of two copies leaving at once one finds itself
// the last. A file system without locks lets the folder go whenever it is empty: a copy that
// was about to use it then fails its step and tries again later, nothing lost.
void WorkFolder::leave() {
  if (!folder_.valid()) {
    return;
  }
  flock(folder_.get(), LOCK_UN);
  struct stat held {};
  struct stat named {};
  const bool alone = flock(folder_.get(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
  if (alone && fstat(folder_.get(), &held) == 0 &&
      fstatat(parent_.get(), name_.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
    unlinkat(parent_.get(), name_.constData(), AT_REMOVEDIR);
  }
  folder_.reset();
  parent_.reset();
  name_.clear();
}
