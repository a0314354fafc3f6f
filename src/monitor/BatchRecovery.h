#pragma once

#include "fs/FileOps.h"

#include <QString>
#include <QStringList>

// What putting right the saves that a crash cut short did.
struct RecoveryReport {
  int batches = 0;        // interrupted saves put right
  int returned = 0;       // files given back to the watched folder
  int removedCopies = 0;  // copies whose original was still there, unchanged
  int keptCopies = 0;     // copies that stay in their batch, their original being gone
  QStringList untrusted;  // batch folders whose journal was left alone, with why

  bool empty() const { return batches == 0 && untrusted.isEmpty(); }
};

// Looks for batch folders that still hold a save's journal in the save folder and in the
// watched folder, and puts each right without losing a byte: files go back to the watched
// folder, a copy whose original is still there is removed only when its content is the same,
// and the journal goes last. A journal is trusted only in a folder of the program's own user
// that others may not write, and only for the watched folder it was written for.
RecoveryReport recoverInterruptedSaves(const QString& saveFolder, const QString& watchedFolder,
                                       FileOps& ops = realFileOps());
