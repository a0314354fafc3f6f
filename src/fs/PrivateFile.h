// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstddef>

// Files of the program's own inside an open private folder (see PrivateFolder.h). Each step
// returns 0 or an error number.

// Reads a file only when it is a regular file of this user, reached without a link: a link is
// ELOOP, what is not a regular file EINVAL, another user's file EPERM, one past limit EFBIG.
int readOwnFile(int folder, const char* name, std::size_t limit, QByteArray& content);

// Puts bytes under name, readable by their owner alone: written to a temporary name in the same
// folder, then renamed over whatever held the name, so that a reader never sees half a file.
// Not flushed: for what can be made again, such as a cache.
int replaceOwnFile(int folder, const char* name, const QByteArray& bytes);
