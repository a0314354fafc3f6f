// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file's contents so that a crash or a full disk never leaves it half-written:
// the bytes go to a temporary file beside it, which is flushed and renamed over it. The file
// keeps its permissions; a link is followed to the file it names. False when anything failed,
// with errno telling why, in which case the old file is untouched.
bool replaceFileContents(const QString& path, const QByteArray& bytes);

// Makes a new file the same way, whole or not at all, readable by its owner alone; never
// over a file that is there, or comes there meanwhile (EEXIST).
bool createFileContents(const QString& path, const QByteArray& bytes);

// Replaces the name itself, never a file a link there names, with a file readable by its owner
// alone: for files kept where others may plant a link.
bool replaceOwnFile(const QString& path, const QByteArray& bytes);
