// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/UniqueFd.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <cstddef>

// The steps of moving a batch that open, make, rename, remove, copy, write or flush, taken
// relative to open folders so that a folder renamed meanwhile cannot redirect them, and in one
// place so that a test can fail or stop any of them deterministically. What the mover and the
// recovery only look at, and their locks, go around it, so a test reaches those only by what it
// puts on disk: fstat of a descriptor already open, the recovery's fstatat of journals and
// folders by name, the opening of the folders a recovery starts from, listings, the reading of
// journals. Each returns 0 or an error number; openAt leaves fd holding the descriptor it
// opened, or nothing.
class FileOps {
public:
  enum class Step { Open, Stat, MakeFolder, Rename, Unlink, RemoveFolder, Copy, Write, Flush };

  virtual ~FileOps() = default;

  int openAt(int folder, const char* name, int flags, UniqueFd& fd, mode_t mode = 0);
  int statAt(int folder, const char* name, struct stat& info);  // a link is not followed
  int makeFolder(int folder, const char* name);
  int renameAt(int fromFolder, const char* from, int toFolder, const char* to);  // never replaces
  int unlinkAt(int folder, const char* name);
  int removeFolder(int folder, const char* name);
  int copy(int from, int to, off_t& copied);
  int writeAll(int fd, const char* data, std::size_t size);
  int flush(int fd);

protected:
  // Runs before every step, with the name it concerns (null for a step on a descriptor) and
  // the descriptor it acts on (the folder for a named step): 0 lets it go on, an error
  // number fails it with that error.
  virtual int before(Step, const char* /*name*/, int /*fd*/) { return 0; }
};

// The plain system calls, with nothing in between.
FileOps& realFileOps();
