// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/Claim.h"

#include "fs/FileOps.h"
#include "fs/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <cerrno>

namespace {

constexpr int keptNameTries = 100;

// The longest name the folder's file system takes.
qsizetype longestName(int folder) {
  const long limit = fpathconf(folder, _PC_NAME_MAX);
  return limit > 0 ? static_cast<qsizetype>(limit) : NAME_MAX;
}

// The stem is shortened, never the extension, so that a long name still fits once marked; a
// cut never ends inside a UTF-8 character.
QByteArray keptName(const QByteArray& name, int attempt, qsizetype limit) {
  const qsizetype dot = name.lastIndexOf('.');
  const bool hasExtension = dot > 0 && name.size() - dot < limit / 2;
  QByteArray stem = hasExtension ? name.left(dot) : name;
  const QByteArray extension = hasExtension ? name.mid(dot) : QByteArray();
  const QByteArray mark = attempt == 1 ? QByteArray(" (conservado)")
                                       : " (conservado " + QByteArray::number(attempt) + ")";
  qsizetype room = limit - mark.size() - extension.size();
  if (stem.size() > room) {
    while (room > 0 && (static_cast<unsigned char>(stem[room]) & 0xC0) == 0x80) {
      --room;
    }
    stem.truncate(room);
  }
  return stem + mark + extension;
}

}  // namespace

bool isPrivateName(const QByteArray& name) {
  return name.startsWith(privatePrefix) && isSingleComponent(name);
}

bool isSingleComponent(const QByteArray& name) {
  return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
         !name.contains('\0');
}

// Tries name, then kept names, while the one tried is taken.
template <typename Place>
QByteArray placeUnderFreeName(int folder, const QByteArray& name, Place place, int& error) {
  error = place(name);
  if (error == 0) {
    return name;
  }
  const qsizetype limit = longestName(folder);
  for (int attempt = 1; error == EEXIST && attempt <= keptNameTries; ++attempt) {
    const QByteArray kept = keptName(name, attempt, limit);
    error = place(kept);
    if (error == 0) {
      return kept;
    }
  }
  return {};
}

template <typename Place>
QByteArray placeUnderFreeName(int folder, const QByteArray& name, Place place) {
  int error = 0;
  return placeUnderFreeName(folder, name, place, error);
}

QByteArray moveUnderFreeName(FileOps& ops, int fromFolder, const QByteArray& from, int toFolder,
                             const QByteArray& name, int& error) {
  return placeUnderFreeName(
      toFolder, name,
      [&](const QByteArray& candidate) {
        return ops.renameAt(fromFolder, from.constData(), toFolder, candidate.constData());
      },
      error);
}

QByteArray freeName(FileOps& ops, int folder, const QByteArray& name,
                    const std::function<bool(const QByteArray&)>& planned) {
  return placeUnderFreeName(folder, name, [&](const QByteArray& candidate) {
    struct stat info {};
    if (planned(candidate)) {
      return EEXIST;
    }
    const int error = ops.statAt(folder, candidate.constData(), info);
    return error == 0 ? EEXIST : error == ENOENT ? 0 : error;
  });
}

QByteArray restoreContent(FileOps& ops, int folder, int fd, const QByteArray& name, mode_t mode) {
  return placeUnderFreeName(folder, name, [&](const QByteArray& candidate) {
    UniqueFd copy;
    int error = ops.openAt(folder, candidate.constData(), O_WRONLY | O_CREAT | O_EXCL, copy, mode);
    if (error != 0) {
      return error;
    }
    off_t copied = 0;
    error = lseek(fd, 0, SEEK_SET) < 0 ? errno : ops.copy(fd, copy.get(), copied);
    if (error == 0) {
      error = ops.flush(copy.get());
    }
    if (error != 0) {
      ops.unlinkAt(folder, candidate.constData());
      return error == EEXIST ? EIO : error;
    }
    return 0;
  });
}
