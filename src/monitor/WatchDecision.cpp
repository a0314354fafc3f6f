// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/WatchDecision.h"

bool shouldSave(int count, qint16 minimum) {
  return count > 0 && count >= minimum;
}
