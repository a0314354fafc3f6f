// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/FileOps.h"

#include <QString>
#include <QStringList>

#include <sys/stat.h>
#include <array>
#include <set>

// What putting right the saves that a crash cut short did.
struct RecoveryReport {
  int batches = 0;        // interrupted saves put right
  int returned = 0;       // files given back to the watched folder
  int removedCopies = 0;  // copies whose original was still there, unchanged
  int keptCopies = 0;     // copies that stay in their batch, their original being gone
  int unnamed = 0;        // hidden files that nothing named, given a plain visible name
  QStringList untrusted;  // batch folders whose journal was left alone, with why

  RecoveryReport& operator+=(const RecoveryReport& other) {
    batches += other.batches;
    returned += other.returned;
    removedCopies += other.removedCopies;
    keptCopies += other.keptCopies;
    unnamed += other.unnamed;
    untrusted += other.untrusted;
    return *this;
  }

  bool empty() const {
    return batches == 0 && returned == 0 && unnamed == 0 && untrusted.isEmpty();
  }
};

// Journals already refused, remembered by their status: one that has not changed since is
// neither read nor told again.
class RefusedJournals {
public:
  bool contains(const struct stat& info) const { return seen_.count(key(info)) != 0; }
  void add(const struct stat& info) { seen_.insert(key(info)); }

private:
  using Key = std::array<long long, 6>;
  static Key key(const struct stat& info) {
    return {
        static_cast<long long>(info.st_dev),          static_cast<long long>(info.st_ino),
        static_cast<long long>(info.st_size),         static_cast<long long>(info.st_mtim.tv_sec),
        static_cast<long long>(info.st_mtim.tv_nsec), static_cast<long long>(info.st_ctim.tv_sec)};
  }
  std::set<Key> seen_;
};

// Looks for batch folders that still hold a save's journal in the save folder and in the
// watched folder, and puts each right without losing a byte: files go back to the watched
// folder, a copy whose original is still there is removed only when its content is the same,
// and the journal goes last. A journal is trusted only in a folder of the program's own user
// that others may not write, and only for the watched folder it was written for. A save still
// running, in this process or another, holds a lock on its batch and is passed over. Last,
// hidden files that a move left in the program's own work folder inside the watched folder get
// their names back from the index beside them, or a plain visible name when nothing names
// them; nothing else in the watched folder is touched, whatever its name.
RecoveryReport recoverInterruptedSaves(const QString& saveFolder, const QString& watchedFolder,
                                       FileOps& ops = realFileOps(),
                                       RefusedJournals* refused = nullptr);
