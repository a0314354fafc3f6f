// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstddef>
#include <utility>
#include <vector>

// The few raw file steps that more than one part of the program needs, written once. Each
// returns 0 or an error number.

// Writes all of data, going on after short writes and interruptions.
int writeAll(int fd, const char* data, std::size_t size);

// Makes a folder's entries (new, renamed, removed names) durable.
int flushFolder(const QByteArray& path);

// Makes a folder and the folders above it that are missing.
int makeFolders(const QByteArray& path);

// Whether a folder can be opened to list its entries.
int folderOpenError(const QByteArray& path);

// Reads a whole file from its current offset; a file longer than limit is an EFBIG error.
int readAll(int fd, std::size_t limit, QByteArray& content);

// Compares two open files byte for byte from their starts.
int sameContent(int first, int second, bool& same);

// Takes an exclusive lock on an open file or folder without waiting: EWOULDBLOCK while another
// open description holds it, in this process or another. The kernel drops it with the last
// descriptor, so a lock found free means its holder has ended.
int lockWithoutWaiting(int fd);

// The names of an open folder's entries, "." and ".." aside, with their kinds as the listing
// tells (DT_UNKNOWN where the file system does not say); none when it cannot be listed.
std::vector<std::pair<QByteArray, unsigned char>> entriesOf(int folder);
