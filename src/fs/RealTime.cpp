#include "fs/RealTime.h"

timespec realTimeNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}
