// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

// A small file of whole lines that only grows: each line goes in with one write at the end of
// the file, so that another writer's line never lands inside it, and is flushed before the call
// returns. Each returns 0 or an error number.

// The file's content, up to limit bytes (EFBIG past that); a missing file reads as empty.
int readRecordFile(const QString& path, std::size_t limit, QByteArray& text);

// Adds one line (ending with its line break) at the end of a file that is there.
int appendRecordLine(const QString& path, const QByteArray& line);
