// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/Claim.h"
#include "fs/ErrnoText.h"
#include "fs/FileOps.h"
#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "monitor/BatchRun.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <cerrno>
#include <set>

// A return is a save the other way: the batch folder is the source and the watched folder the
// target, the journal stays in the batch folder, and a recovery finishes a return by renames or
// rolls back a return by copies, as it rolls back a save.

SaveResult BatchRun::runReturn(const QString& batchFolder) {
  result_.batchFolder = batchFolder;
  batchName_ = QFile::encodeName(QFileInfo(batchFolder).fileName());
  if (!openFolders() || !openBatch()) {
    return result_;
  }
  checkReturning();
  MoveOutcome outcome = MoveOutcome::Done;
  if (!taken_.empty()) {
    outcome = watchedInfo_.st_dev == batchInfo_.st_dev ? moveAll() : MoveOutcome::Unsupported;
  }
  if (outcome == MoveOutcome::Unsupported) {
    outcome = copyAll() ? MoveOutcome::Done : MoveOutcome::Failed;
  }
  if (outcome == MoveOutcome::Failed) {
    removeJournalAndFolder();
    return result_;
  }
  listStayed();
  if (result_.stayed.empty()) {
    removeOwnFolder();
  }
  return result_;
}

// Locked like a save's folder, so that a recovery or another return passes it over.
bool BatchRun::openBatch() {
  int error = ops_.openAt(base_.get(), batchName_.constData(), openflags::untrustedFolder, batch_);
  if (error == 0 && fstat(batch_.get(), &batchInfo_) != 0) {
    error = errno;
  }
  if (error == 0) {
    error = lockWithoutWaiting(batch_.get());
  }
  if (error == EWOULDBLOCK) {
    return fail(SaveFailure::InUse, result_.batchFolder,
                QStringLiteral("el lote se está guardando o devolviendo"));
  }
  if (error != 0) {
    return fail(SaveFailure::Other, result_.batchFolder,
                error == ENOENT ? QStringLiteral("el lote ya no existe") : errnoText(error));
  }
  return true;
}

// A listed name the folder no longer holds is missing; one that is not a plain file stays.
void BatchRun::checkReturning() {
  for (const QByteArray& name : request_.names) {
    TakenFile file;
    file.name = name;
    file.target = name;
    struct stat info {};
    const int error = isSingleComponent(name) && !isPrivateName(name)
                          ? ops_.statAt(batch_.get(), name.constData(), info)
                          : ENOENT;
    if (error == ENOENT) {
      result_.missing.push_back(name);
    } else if (error != 0) {
      leave(file, QStringLiteral("no se puede leer: ") + errnoText(error));
    } else if (!S_ISREG(info.st_mode)) {
      leave(file, QStringLiteral("no es un archivo normal"));
    } else {
      file.identity = identityOf(info);
      file.mode = info.st_mode & 07777;
      taken_.push_back(std::move(file));
    }
  }
}

// A copy takes its name only once whole, and a recovery must know that name to tell a copy
// from the user's own file: a returning copy's name is chosen, and journaled, before it is made.
void BatchRun::planTargets() {
  if (!returning_) {
    return;
  }
  std::set<QByteArray> planned;
  const auto isPlanned = [&planned](const QByteArray& name) { return planned.count(name) != 0; };
  for (TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Checked) {
      continue;
    }
    file.target = freeName(ops_, target(), file.name, isPlanned);
    if (file.target.isEmpty()) {
      leave(file, QStringLiteral("no queda ningún nombre libre para él"));
      continue;
    }
    planned.insert(file.target);
  }
}

// What else the batch folder holds keeps it: files added after the save are not ours to move.
void BatchRun::listStayed() {
  for (const auto& entry : entriesOf(batch_.get())) {
    if (entry.first != journalName && entry.first != journalDraftName) {
      result_.stayed.push_back(entry.first);
    }
  }
}

SaveResult undoBatch(const UndoRequest& request, const SaveEnv& env) {
  const SaveRequest reversed{
      QFileInfo(request.batchFolder).path(), {}, request.watchedFolder, request.names, {}, {}, {}};
  return BatchRun(reversed, env, true).runReturn(request.batchFolder);
}
