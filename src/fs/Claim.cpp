#include "fs/Claim.h"

#include "fs/FileOps.h"
#include "fs/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int keptNameTries = 100;

QByteArray keptName(const QByteArray& name, int attempt) {
  const qsizetype dot = name.lastIndexOf('.');
  const bool hasExtension = dot > 0;
  const QByteArray stem = hasExtension ? name.left(dot) : name;
  const QByteArray extension = hasExtension ? name.mid(dot) : QByteArray();
  const QByteArray mark = attempt == 1 ? QByteArray(" (conservado)")
                                       : " (conservado " + QByteArray::number(attempt) + ")";
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
QByteArray placeUnderFreeName(const QByteArray& name, Place place) {
  int error = place(name);
  if (error == 0) {
    return name;
  }
  for (int attempt = 1; error == EEXIST && attempt <= keptNameTries; ++attempt) {
    const QByteArray kept = keptName(name, attempt);
    error = place(kept);
    if (error == 0) {
      return kept;
    }
  }
  return {};
}

QByteArray restoreClaimed(FileOps& ops, int folder, const QByteArray& claim,
                          const QByteArray& name) {
  return placeUnderFreeName(name, [&](const QByteArray& candidate) {
    return ops.renameAt(folder, claim.constData(), folder, candidate.constData());
  });
}

QByteArray restoreContent(FileOps& ops, int folder, int fd, const QByteArray& name, mode_t mode) {
  return placeUnderFreeName(name, [&](const QByteArray& candidate) {
    const int created =
        ops.openAt(folder, candidate.constData(), O_WRONLY | O_CREAT | O_EXCL, mode);
    if (created < 0) {
      return -created;
    }
    const UniqueFd copy(created);
    off_t copied = 0;
    int error = lseek(fd, 0, SEEK_SET) < 0 ? errno : ops.copy(fd, copy.get(), copied);
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
