// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/FileIdentity.h"
#include "fs/InUse.h"
#include "fs/UniqueFd.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <atomic>
#include <memory>
#include <set>
#include <vector>

class FileOps;

// One batch save: a new folder named base + "/" + prefix + stamp, and the listed files of the
// watched folder moved into it, all or nothing.
struct SaveRequest {
  QString base;  // "/" is appended however it ends, as users' folder names rely on
  QString prefix;
  QString watchedFolder;
  std::vector<QByteArray> names;  // as the folder spells them: bytes, not text
  QDateTime moment;
  std::set<QByteArray> leaveIfInUse;  // in use for too long: saved later, not waited for
  // Found in use at the last try: looked at first, and while one still is, no other file is
  // looked at, so that a batch held back costs next to nothing.
  std::set<QByteArray> lastInUse;
};

enum class SaveFailure {
  None,
  FolderExists,  // a save in the same second: worth trying again a second later
  InUse,         // another process is writing a listed file: worth trying again soon
  Other,
};

// A listed file that this save did not take; it stays in the watched folder for a later one.
struct LeftFile {
  QByteArray name;  // the name it has in the watched folder now
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

struct SaveResult {
  SaveFailure failure = SaveFailure::None;
  QString concerned;    // the file or folder a failure concerns
  QString reason;       // in Spanish, for the user
  QString batchFolder;  // empty when no folder was made
  int moved = 0;
  std::vector<LeftFile> left;
  std::vector<QByteArray> inUse;            // every listed file found still being written
  std::shared_ptr<const UniqueFd> watched;  // where late content of removed originals goes
  std::vector<RemovedOriginal> removed;     // across file systems only
  std::vector<QByteArray> saved;            // the names the moved files have where they went
  dev_t batchDevice = 0;                    // the batch folder as it was made
  ino_t batchInode = 0;
  // A return only:
  std::vector<QByteArray> renamed;  // names given to files whose own was taken meanwhile
  std::vector<QByteArray> missing;  // listed files the batch folder no longer holds
  std::vector<QByteArray> stayed;   // other files of the batch folder, which keep it there

  bool ok() const { return failure == SaveFailure::None; }
};

struct SaveEnv {
  FileOps* ops = nullptr;  // the plain system calls when null
  InUseCheck inUse;
  std::atomic<int>* progress = nullptr;  // files moved so far, for a progress display
  // Set when the program is told to end: the save stops at the next file and rolls back.
  const std::atomic<bool>* stop = nullptr;
};

// Runs the save to its end. A failure leaves nothing behind: the files moved go back, the
// copies made and the folder created are removed. A file that cannot be taken now (vanished,
// unreadable, not a plain file, in use for too long) is left where it is, and the rest saved.
SaveResult saveBatch(const SaveRequest& request, const SaveEnv& env = {});

// A saved batch taken back: the listed files of the batch folder return to the watched folder
// by the same steps as a save, in reverse, under a journal that a recovery finishes or rolls
// back. A name taken in the watched folder meanwhile keeps both files: the returning one gets a
// kept name. The folder goes when nothing else is left in it.
struct UndoRequest {
  QString batchFolder;
  QString watchedFolder;
  std::vector<QByteArray> names;
};

SaveResult undoBatch(const UndoRequest& request, const SaveEnv& env = {});

// The folder a save would create.
QString batchFolderPath(const QString& base, const QString& prefix, const QDateTime& moment);

// A name as the user reads it: bytes that are not UTF-8 show as U+FFFD.
QString displayName(const QByteArray& name);
