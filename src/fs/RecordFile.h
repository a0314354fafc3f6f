// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/UniqueFd.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <functional>

// A file of whole lines that only grows, kept where another user or program may have put
// anything: it is opened without following a link and without blocking, and used only when it
// is a plain file of this user. A line goes in with one write at the end of the file, so that
// another writer's line never lands inside it, and is flushed before the call returns. Each
// returns 0 or an error number.

// Opens the file with flags (O_RDONLY, or O_RDWR | O_APPEND): ELOOP for a link, EINVAL for
// anything but a plain file, EPERM for a file of another user.
int openRecordFile(const QString& path, int flags, UniqueFd& fd);

// What a reading from the end met besides the lines it handed over.
struct LinesFromEnd {
  bool endsWithBreak = true;  // false when the last line was cut short
  qint64 passedOver = 0;      // bytes of lines too long to hold and of a last line cut short
};

// Hands each whole line of an open file to take, the last first, without its break and with
// whether it is the file's first line, until take returns false. The file is read backwards in
// reads of chunk bytes, and a line longer than longest is passed over without being held, so
// that what a reading holds never depends on the file's size.
using TakeLine = std::function<bool(QByteArrayView line, bool first)>;
int readLinesFromEnd(int fd, std::size_t chunk, std::size_t longest, const TakeLine& take,
                     LinesFromEnd& met);

// Adds one line (ending with its line break) at the end of a file opened with O_APPEND.
int appendRecordLine(int fd, QByteArrayView line);

// Takes, without waiting, the lock by which the writers of a record file take turns: the file
// name in lockFolder, a folder of this user's own (fs/PrivateFolder), so that no other user can
// open it, let alone hold it. EWOULDBLOCK while another writer holds it.
int lockRecordFile(const QString& lockFolder, const char* name, UniqueFd& lock);

// Why a record file or its lock could not be used, as a short phrase for the user.
QString recordFileProblem(int error);
