// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Whether a watch tick saves the batch it has just listed. The minimum is a signed 16-bit
// setting, so 0 or a negative minimum lets a single file through; the count is not narrowed,
// so a folder of more than 32767 files still saves.
bool shouldSave(int count, qint16 minimum);
