// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

// The stamp that names a batch folder: day, month, four-digit year, "_", hour, minute and
// second, without leading zeros. Users' existing batch folders follow this exact format.
QString marcaLote(const QDateTime& moment);
