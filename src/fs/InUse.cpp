// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/InUse.h"

#include "fs/RealTime.h"

#include <fcntl.h>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>

namespace {
constexpr std::int64_t quietNanoseconds = 10'000'000'000;

std::int64_t nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// A lease held even for an instant makes the kernel signal us when another program opens the
// file, and that signal's default action ends the process.
void ignoreLeaseBreaks() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGIO, SIG_IGN); });
}
}  // namespace

LeaseAnswer probeWriteLease(int fd) {
  ignoreLeaseBreaks();
  if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    fcntl(fd, F_SETLEASE, F_UNLCK);
    return LeaseAnswer::Free;
  }
  return errno == EAGAIN ? LeaseAnswer::Held : LeaseAnswer::Refused;
}

// Either way round: a writer on another machine may stamp times a little ahead of ours. The
// change time moves with a truncation or a change of owner that leaves the content's time.
bool changedRecently(const struct stat& info, const timespec& now) {
  const std::int64_t at = nanoseconds(now);
  for (const timespec& changed : {info.st_mtim, info.st_ctim}) {
    const std::int64_t gap = at - nanoseconds(changed);
    if (gap < quietNanoseconds && gap > -quietNanoseconds) {
      return true;
    }
  }
  return false;
}

// A file that the write watch saw closed after its last change needs no lease: asking for one
// costs more than the rest of its save.
InUse inUseState(int fd, const QByteArray& name, const struct stat& info, const InUseCheck& check) {
  const EventVerdict verdict =
      check.events ? check.events(name, info.st_mtim) : EventVerdict::NotCovered;
  if (verdict == EventVerdict::Closed) {
    return InUse::Free;
  }
  if (check.tryLeases) {
    const LeaseAnswer answer = probeWriteLease(fd);
    if (answer != LeaseAnswer::Refused) {
      return answer == LeaseAnswer::Held ? InUse::Writing : InUse::Free;
    }
  }
  if (verdict == EventVerdict::Writing) {
    return InUse::Writing;
  }
  return changedRecently(info, check.fileClock ? check.fileClock() : realTimeNow()) ? InUse::Writing
                                                                                    : InUse::Unseen;
}
