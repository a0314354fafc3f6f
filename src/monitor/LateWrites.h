// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BatchSave.h"

#include <QDateTime>

#include <vector>

class FileOps;

// Originals that a save across file systems removed once their copies were whole, held open for
// a while because only the quiet rule let them through: a writer that the program could not see
// may have been pausing. Content it adds meanwhile goes back to the watched folder whole, under a
// visible name, so that no byte written after the copy is lost.
class LateWrites {
public:
  void adopt(const SaveResult& result, const QDateTime& now);
  bool empty() const { return held_.empty(); }
  // Lets go of each original whose writer has closed it, or that has been held for 30 s;
  // returns the files written back.
  std::vector<LeftFile> check(const QDateTime& now, FileOps& ops);
  // The program ends: whatever was added is written back now.
  std::vector<LeftFile> release(FileOps& ops);

private:
  struct Held {
    RemovedOriginal original;
    std::shared_ptr<const UniqueFd> folder;
    QDateTime since;
  };
  std::vector<LeftFile> letGo(FileOps& ops, bool everything, const QDateTime& now);

  std::vector<Held> held_;
};
