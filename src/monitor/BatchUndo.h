// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/MoveReport.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>
#include <vector>

// A saved batch taken back: the listed files of the batch folder return to the watched folder
// by the same steps as a save, in reverse, under a journal that a recovery finishes or rolls
// back. The request comes from the history, which is read as untrusted: only a folder that is a
// batch of this program is acted on.
struct UndoRequest {
  QString batchFolder;
  QString watchedFolder;
  std::vector<QByteArray> names;
  QString saveFolder;  // where batches are made now; the watched folder holds the menu's
  // The batch folder as it was made; zero when the history did not record it.
  dev_t batchDevice = 0;
  ino_t batchInode = 0;
};

struct UndoResult : MoveReport {
  std::vector<QByteArray> renamed;  // names given to files whose own was taken meanwhile
  std::vector<QByteArray> missing;  // listed files the batch folder no longer holds
  std::vector<QByteArray> stayed;   // other files of the batch folder, which keep it there
};

// A name taken in the watched folder meanwhile keeps both files: the returning one gets a kept
// name. A file that cannot be read stays in the batch, named with why. The folder goes when
// nothing else is left in it.
UndoResult undoBatch(const UndoRequest& request, const MoveEnv& env = {});
