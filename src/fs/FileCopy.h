// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>
#include <functional>

// The kernel calls a copy tries in turn, each returning what the system call does, so that a
// test can make any of them refuse.
struct CopyCalls {
  std::function<int(int source, int destination)> clone;
  std::function<ssize_t(int source, int destination, size_t size)> copyRange;
  std::function<ssize_t(int source, int destination, size_t size)> sendFile;
};

const CopyCalls& systemCopyCalls();

// Copies the whole content of one open file into another, empty one, letting the kernel do it
// where it can: a shared-block clone where the file system allows one, otherwise
// copy_file_range, or sendfile between file systems of different kinds; plain reads and writes
// only where neither serves. Returns 0 or the error number; copied receives the bytes written.
int copyContents(int source, int destination, off_t& copied,
                 const CopyCalls& calls = systemCopyCalls());
