// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/RealTime.h"

timespec realTimeNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}
