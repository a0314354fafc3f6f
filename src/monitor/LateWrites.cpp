// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LateWrites.h"

#include "fs/Claim.h"
#include "fs/OpenFileLimit.h"

#include <sys/stat.h>
#include <atomic>

namespace {
constexpr std::chrono::seconds quietTime{10};

std::atomic<std::size_t> heldOriginals{0};
}  // namespace

std::shared_ptr<const UniqueFd> holdOriginal(UniqueFd fd) {
  ++heldOriginals;
  return std::shared_ptr<const UniqueFd>(new UniqueFd(std::move(fd)), [](const UniqueFd* held) {
    delete held;
    --heldOriginals;
  });
}

bool canHoldMore(std::size_t more) {
  return heldOriginals.load() + more <= descriptorsToSpare();
}

void LateWrites::adopt(SaveResult& result, Clock::time_point now) {
  for (RemovedOriginal& original : result.removed) {
    const FileIdentity copied = original.identity;
    held_.push_back({std::move(original), result.watched, copied, now});
  }
  result.removed.clear();
}

std::vector<LeftFile> LateWrites::check(Clock::time_point now, FileOps& ops) {
  std::vector<LeftFile> restored;
  std::vector<Held> still;
  for (Held& held : held_) {
    if (due(held, now)) {
      writeBack(held, ops, restored);
    } else {
      still.push_back(std::move(held));
    }
  }
  held_.swap(still);
  return restored;
}

std::vector<LeftFile> LateWrites::release(FileOps& ops) {
  std::vector<LeftFile> restored;
  for (const Held& held : held_) {
    writeBack(held, ops, restored);
  }
  held_.clear();
  return restored;
}

// A writer seen to hold the file is waited for, however long it pauses; where none can be seen,
// each change seen starts the 10 s again.
bool LateWrites::due(Held& held, Clock::time_point now) const {
  const int fd = held.original.fd->get();
  switch (probe_(fd)) {
    case LeaseAnswer::Free:
      return true;
    case LeaseAnswer::Held:
      return false;
    case LeaseAnswer::Refused:
      break;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    return true;
  }
  if (!(identityOf(info) == held.seen)) {
    held.seen = identityOf(info);
    held.quietSince = now;
  }
  return now - held.quietSince >= quietTime;
}

void LateWrites::writeBack(const Held& held, FileOps& ops, std::vector<LeftFile>& restored) {
  const int fd = held.original.fd->get();
  struct stat now {};
  if (fstat(fd, &now) != 0 || identityOf(now) == held.original.identity) {
    return;
  }
  const QByteArray name =
      restoreContent(ops, held.folder->get(), fd, held.original.name, held.original.mode);
  if (!name.isEmpty()) {
    restored.push_back(
        {name, QStringLiteral("se siguió escribiendo después de guardarse; el archivo completo "
                              "vuelve al directorio de monitorización")});
  }
}
