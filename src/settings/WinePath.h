// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The Linux path behind a Windows path in a Wine prefix, found as Wine finds it: through the
// prefix's dosdevices/<letter>: link, then each component matched without regard to case. A
// trailing separator is kept. Text without a drive letter, or whose letter has no link, comes
// back unchanged.
QString linuxPathInPrefix(const QString& prefixFolder, const QString& windowsPath);
