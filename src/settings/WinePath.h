// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The Linux path behind a Windows path in a Wine prefix, found as Wine finds it: through the
// prefix's dosdevices/<letter>: link (for C:, the prefix's drive_c when it has no such link),
// then each component matched without regard to case. A trailing separator is kept. Text
// without a drive letter, or whose drive cannot be found, gives the empty text: a Windows path
// means nothing to this system.
QString linuxPathInPrefix(const QString& prefixFolder, const QString& windowsPath);
