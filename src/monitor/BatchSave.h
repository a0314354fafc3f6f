// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/MoveReport.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <set>
#include <vector>

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

struct SaveResult : MoveReport {
  std::vector<QByteArray> inUse;            // every listed file found still being written
  std::shared_ptr<const UniqueFd> watched;  // where late content of removed originals goes
  std::vector<RemovedOriginal> removed;     // across file systems only
  // The batch folder as made, so that an undo can tell it from any other folder of that name.
  dev_t batchDevice = 0;
  ino_t batchInode = 0;
};

// Runs the save to its end. A failure leaves nothing behind: the files moved go back, the
// copies made and the folder created are removed. A file that cannot be taken now (vanished,
// unreadable, not a plain file, in use for too long) is left where it is, and the rest saved.
SaveResult saveBatch(const SaveRequest& request, const MoveEnv& env = {});

// The folder a save would create.
QString batchFolderPath(const QString& base, const QString& prefix, const QDateTime& moment);
