// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LateWrites.h"

#include "fs/Claim.h"
#include "fs/InUse.h"

#include <sys/stat.h>

namespace {
constexpr qint64 graceSeconds = 30;
}

void LateWrites::adopt(const SaveResult& result, const QDateTime& now) {
  for (const RemovedOriginal& original : result.removed) {
    held_.push_back({original, result.watched, now});
  }
}

std::vector<LeftFile> LateWrites::check(const QDateTime& now, FileOps& ops) {
  return letGo(ops, false, now);
}

std::vector<LeftFile> LateWrites::release(FileOps& ops) {
  return letGo(ops, true, {});
}

std::vector<LeftFile> LateWrites::letGo(FileOps& ops, bool everything, const QDateTime& now) {
  std::vector<LeftFile> restored;
  std::vector<Held> still;
  for (Held& held : held_) {
    const int fd = held.original.fd->get();
    const bool due = everything || held.since.secsTo(now) >= graceSeconds ||
                     probeWriteLease(fd) == LeaseAnswer::Free;
    if (!due) {
      still.push_back(std::move(held));
      continue;
    }
    struct stat now {};
    if (fstat(fd, &now) != 0 || identityOf(now) == held.original.identity) {
      continue;
    }
    const QByteArray name =
        restoreContent(ops, held.folder->get(), fd, held.original.name, held.original.mode);
    if (!name.isEmpty()) {
      restored.push_back(
          {name, QStringLiteral("se siguió escribiendo después de guardarse; el archivo completo "
                                "vuelve al directorio de monitorización")});
    }
  }
  held_.swap(still);
  return restored;
}
