// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/FileIdentity.h"
#include "fs/InUse.h"
#include "fs/UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class FileOps;

enum class SaveFailure {
  None,
  FolderExists,  // a save in the same second: worth trying again a second later
  InUse,         // another process is writing a listed file, or the batch is busy: try again soon
  Other,
};

// A listed file that a move did not take; it stays where it was for a later one.
struct LeftFile {
  QByteArray name;  // the name it has there now
  QString reason;   // in Spanish, for the user
};

// An original removed from the watched folder once its copy was whole, still held open: a
// writer that the program could not see may still be writing into it.
struct RemovedOriginal {
  QByteArray name;
  std::shared_ptr<const UniqueFd> fd;
  FileIdentity identity;  // what was copied
  mode_t mode = 0;
};

// What a move of files between the watched folder and a batch tells, whichever its way.
struct MoveReport {
  SaveFailure failure = SaveFailure::None;
  QString concerned;    // the file or folder a failure concerns
  QString reason;       // in Spanish, for the user
  QString batchFolder;  // empty when no folder was made, or when it went
  int moved = 0;
  std::vector<LeftFile> left;
  std::vector<QByteArray> saved;  // the names the moved files have where they went

  bool ok() const { return failure == SaveFailure::None; }
  // Records why the move failed; always false, for "return fail(...)".
  bool fail(SaveFailure why, const QString& what, const QString& text) {
    failure = why;
    concerned = what;
    reason = text;
    return false;
  }
};

struct MoveEnv {
  FileOps* ops = nullptr;  // the plain system calls when null
  InUseCheck inUse;
  std::atomic<int>* progress = nullptr;  // files moved so far, for a progress display
  // Set when the program is told to end: the move stops at the next file and rolls back.
  const std::atomic<bool>* stop = nullptr;
};

// A name as the user reads it: bytes that are not UTF-8 show as U+FFFD.
QString displayName(const QByteArray& name);
