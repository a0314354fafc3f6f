// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/UniqueFd.h"

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

// Makes the file's folder when missing and holds an exclusive lock on it until the descriptor
// closes, so that programs adding to the file or replacing it take turns: a line added while
// another replaces the file would be lost with the old one. Invalid when the folder cannot be
// made or locked.
UniqueFd lockRecordFolder(const QString& path);
