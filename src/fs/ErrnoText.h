// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A short Spanish description of a system error number, for messages shown to the user.
QString errnoText(int error);
