#include "fs/InUse.h"

#include <fcntl.h>
#include <cerrno>
#include <cstdint>

namespace {
constexpr std::int64_t recentNanoseconds = 2'000'000'000;

std::int64_t nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

timespec realClock() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}
}  // namespace

LeaseAnswer probeWriteLease(int fd) {
  if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    fcntl(fd, F_SETLEASE, F_UNLCK);
    return LeaseAnswer::Free;
  }
  return errno == EAGAIN ? LeaseAnswer::Held : LeaseAnswer::Refused;
}

// Either way round: a writer on another machine may stamp times a little ahead of ours.
bool modifiedRecently(const timespec& modified, const timespec& now) {
  const std::int64_t gap = nanoseconds(now) - nanoseconds(modified);
  return gap < recentNanoseconds && gap > -recentNanoseconds;
}

bool isInUse(int fd, const QByteArray& name, const struct stat& info, const InUseCheck& check) {
  if (check.tryLeases) {
    const LeaseAnswer answer = probeWriteLease(fd);
    if (answer != LeaseAnswer::Refused) {
      return answer == LeaseAnswer::Held;
    }
  }
  if (check.events) {
    const EventVerdict verdict = check.events(name, info.st_mtim);
    if (verdict != EventVerdict::NotCovered) {
      return verdict == EventVerdict::Writing;
    }
  }
  return modifiedRecently(info.st_mtim, check.fileClock ? check.fileClock() : realClock());
}
