#include "monitor/WatchDecision.h"

bool shouldSave(int count, qint16 minimum) {
  return count > 0 && count >= minimum;
}
