// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>

// The ways the program opens files, each written once. A descriptor never leaks into a
// program started meanwhile (FileOps::openAt adds O_CLOEXEC to what it is given).
namespace openflags {

// A file of our own, to read.
inline constexpr int read = O_RDONLY | O_CLOEXEC;
// A folder: to flush its entries, or to take steps relative to it.
inline constexpr int folder = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// A file someone else put in the watched folder or a batch: a link is not followed, a FIFO
// does not block the open, and a terminal does not become ours.
inline constexpr int untrusted = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
// A folder of that kind, not reached through a link.
inline constexpr int untrustedFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW;

}  // namespace openflags
