// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/InUse.h"
#include "monitor/BatchSave.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

class FileOps;

// A removed original's descriptor, counted for as long as it stays open.
std::shared_ptr<const UniqueFd> holdOriginal(UniqueFd fd);
// Whether `more` originals may be held beside those held now: the process may hold only so
// many descriptors, and a save takes a file that would need holding only while one is spare.
bool canHoldMore(std::size_t more);

// Originals that a save across file systems removed once their copies were whole, held open
// because only the quiet rule let them through: a writer that the program could not see may
// have been pausing. Each is held until it has stayed the same for 10 s, however long that
// takes; content its writer adds meanwhile goes back to the watched folder whole, under a
// visible name, so that no byte written after the copy is lost.
class LateWrites {
public:
  using Clock = std::chrono::steady_clock;
  using LeaseProbe = LeaseAnswer (*)(int fd);

  explicit LateWrites(LeaseProbe probe = probeWriteLease) : probe_(probe) {}

  // Takes the removed originals out of a save's result.
  void adopt(SaveResult& result, Clock::time_point now);
  bool empty() const { return held_.empty(); }
  // Lets go of each original that nobody else holds open any more, or that nobody is seen to
  // hold and that has not changed for 10 s; returns the files written back.
  std::vector<LeftFile> check(Clock::time_point now, FileOps& ops);
  // The program ends: whatever was added is written back now.
  std::vector<LeftFile> release(FileOps& ops);

private:
  struct Held {
    RemovedOriginal original;
    std::shared_ptr<const UniqueFd> folder;
    FileIdentity seen;  // as last looked at
    Clock::time_point quietSince;
  };
  bool due(Held& held, Clock::time_point now) const;
  static void writeBack(const Held& held, FileOps& ops, std::vector<LeftFile>& restored);

  LeaseProbe probe_;
  std::vector<Held> held_;
};
