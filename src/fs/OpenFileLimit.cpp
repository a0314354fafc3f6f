// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/OpenFileLimit.h"

#include <sys/resource.h>

namespace {
// The windows, the display, the watch, a save's folders and files, the history.
constexpr rlim_t ownDescriptors = 256;
}  // namespace

void raiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

std::size_t descriptorsToSpare() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur <= ownDescriptors) {
    return 0;
  }
  return static_cast<std::size_t>(limit.rlim_cur - ownDescriptors);
}
