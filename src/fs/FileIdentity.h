// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <ctime>

// What tells that a file is still the one that was looked at: the same file (device and
// inode), not written since (size and modification time).
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};

  bool sameFile(const FileIdentity& other) const {
    return device == other.device && inode == other.inode;
  }
  bool operator==(const FileIdentity& other) const {
    return sameFile(other) && size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
  }
};

inline FileIdentity identityOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}
