// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>

// The system's real-time clock, the one file times are stamped with.
timespec realTimeNow();
