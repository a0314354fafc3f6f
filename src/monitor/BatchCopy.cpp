// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/Claim.h"
#include "fs/ErrnoText.h"
#include "fs/FileOps.h"
#include "fs/OpenFlags.h"
#include "monitor/BatchRun.h"
#include "monitor/LateWrites.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>

// Across file systems a file must be copied, and the original removed only once its copy is
// whole on the disk. Every original is claimed first, by a rename to a private name: that
// proves it can be removed before anything is copied, and whatever another program puts under
// the original name meanwhile is a different file, which is never touched.

namespace {

bool hasClaim(const TakenFile& file) {
  return file.stage == TakenFile::Stage::Claimed || file.stage == TakenFile::Stage::Copied ||
         file.stage == TakenFile::Stage::Published;
}

}  // namespace

bool BatchRun::copyAll() {
  tag_ = saveTag(batchInfo_.st_ino);
  qsizetype index = 0;
  for (TakenFile& file : taken_) {
    file.claim = tag_ + "-claim-" + QByteArray::number(index);
    file.temporary = tag_ + "-copy-" + QByteArray::number(index);
    ++index;
  }
  planTargets();
  if (!writeJournal(returning_ ? BatchJournal::Mode::ReturnCopy : BatchJournal::Mode::Copy)) {
    return false;
  }
  bool copied = claimAll();
  for (auto file = taken_.begin(); copied && file != taken_.end(); ++file) {
    copied = file->stage != TakenFile::Stage::Claimed || (!stopped() && copyOne(*file));
  }
  copied = copied && flushCopies() && publishCopies();
  if (copied) {
    const int error = returning_ ? ops_.flush(target()) : flushBoth();
    copied = error == 0 ? batchStillReachable()
                        : fail(SaveFailure::Other, result_.batchFolder, diskError(error));
  }
  if (!copied) {
    undoCopies();
    return false;
  }
  deleteClaimed();
  finish();
  return true;
}

bool BatchRun::returnClaim(TakenFile& file) {
  const QByteArray name = restoreClaimed(ops_, source(), file.claim, file.name);
  if (name.isEmpty()) {
    hidden_ = true;
    return false;
  }
  file.name = name;
  return true;
}

void BatchRun::giveBack(TakenFile& file, const QString& reason) {
  leave(file, returnClaim(file)
                  ? reason
                  : reason + QStringLiteral("; recuperará su nombre en el próximo guardado"));
}

// A file that only the quiet rule let through is held open once removed, and is taken only
// while a descriptor is spare for it: otherwise it stays as it is, for a later batch.
bool BatchRun::claimAll() {
  std::size_t toHold = 0;
  for (TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Checked) {
      continue;
    }
    if (stopped()) {
      return false;
    }
    if (file.unseen && !canHoldMore(toHold + 1)) {
      leave(file, QStringLiteral("no se pueden vigilar más archivos a la vez por si alguien "
                                 "sigue escribiendo en ellos"));
      continue;
    }
    toHold += file.unseen ? 1 : 0;
    const int error =
        ops_.renameAt(source(), file.name.constData(), source(), file.claim.constData());
    if (error == ENOENT) {
      leave(file, QStringLiteral("ya no estaba en el directorio"));
      continue;
    }
    const QString what = QStringLiteral("no se puede quitar del directorio de monitorización: ");
    if (error != 0 && leaveOnFileError(file, error, what)) {
      continue;
    }
    if (error != 0) {
      return fail(SaveFailure::Other, sourcePath(file.name), what + errnoText(error));
    }
    file.stage = TakenFile::Stage::Claimed;
    struct stat info {};
    if (ops_.statAt(source(), file.claim.constData(), info) != 0 ||
        !(identityOf(info) == file.identity)) {
      giveBack(file, QStringLiteral("cambió mientras se guardaba el lote"));
    }
  }
  return true;
}

bool BatchRun::copyOne(TakenFile& file) {
  UniqueFd original;
  struct stat before {};
  if (const int error =
          ops_.openAt(source(), file.claim.constData(), openflags::untrusted, original);
      error != 0 || fstat(original.get(), &before) != 0) {
    return fail(SaveFailure::Other, sourcePath(file.name), errnoText(error != 0 ? error : errno));
  }
  if (!(identityOf(before) == file.identity)) {
    giveBack(file, QStringLiteral("cambió antes de copiarse"));
    return true;
  }
  UniqueFd destination;
  if (const int error = ops_.openAt(target(), file.temporary.constData(),
                                    O_WRONLY | O_CREAT | O_EXCL, destination, file.mode & 0777);
      error != 0) {
    return fail(SaveFailure::Other, result_.batchFolder, errnoText(error));
  }
  file.stage = TakenFile::Stage::Copied;
  struct stat made {};
  if (fstat(destination.get(), &made) == 0) {
    file.copyInode = made.st_ino;
  }
  off_t copied = 0;
  if (const int error = ops_.copy(original.get(), destination.get(), copied); error != 0) {
    return fail(SaveFailure::Other, sourcePath(file.name), errnoText(error));
  }
  struct stat after {};
  if (fstat(original.get(), &after) != 0 || !(identityOf(after) == file.identity)) {
    destination.reset();
    ops_.unlinkAt(target(), file.temporary.constData());
    giveBack(file, QStringLiteral("cambió mientras se copiaba"));
    return true;
  }
  if (copied != before.st_size) {
    return fail(SaveFailure::Other, sourcePath(file.name),
                QStringLiteral("la copia no tiene el tamaño del original"));
  }
  // Keep the picture's own date, as a copy on the original system does.
  const timespec times[2] = {before.st_atim, before.st_mtim};
  futimens(destination.get(), times);
  // Start writing back now, so the flush before the deletions finds little left to do.
  sync_file_range(destination.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
  if (const int error = destination.reset(); error != 0) {
    return fail(SaveFailure::Other, result_.batchFolder, diskError(error));
  }
  advance();
  return true;
}

// A real name in the batch folder never holds a partial file: copies take their names only
// once they are whole on the disk.
bool BatchRun::flushCopies() {
  for (const TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Copied) {
      continue;
    }
    if (stopped()) {
      return false;
    }
    UniqueFd copy;
    int error = ops_.openAt(target(), file.temporary.constData(), O_RDONLY, copy);
    if (error == 0) {
      error = ops_.flush(copy.get());
    }
    if (error != 0) {
      return fail(SaveFailure::Other, result_.batchFolder, diskError(error));
    }
  }
  return true;
}

bool BatchRun::publishCopies() {
  for (TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Copied) {
      continue;
    }
    const int error =
        ops_.renameAt(target(), file.temporary.constData(), target(), file.target.constData());
    if (error == EEXIST && returning_) {
      ops_.unlinkAt(target(), file.temporary.constData());
      giveBack(file, QStringLiteral("otro archivo tomó su nombre mientras volvía"));
      continue;
    }
    if (error != 0) {
      return fail(SaveFailure::Other, result_.batchFolder, errnoText(error));
    }
    file.stage = TakenFile::Stage::Published;
  }
  return true;
}

// A save folder that went away meanwhile (a lazy unmount) still takes writes through the open
// folder, and they are lost with it: the originals stay until the path leads to the same folder
// and every copy is found there.
bool BatchRun::batchStillReachable() {
  const UniqueFd reached = reopenTarget();
  const struct stat& expected = returning_ ? watchedInfo_ : batchInfo_;
  struct stat info {};
  if (!reached.valid() || fstat(reached.get(), &info) != 0 || info.st_dev != expected.st_dev ||
      info.st_ino != expected.st_ino) {
    return fail(SaveFailure::Other, returning_ ? request_.watchedFolder : result_.batchFolder,
                returning_
                    ? QStringLiteral("el directorio de monitorización dejó de estar accesible")
                    : QStringLiteral("el directorio del lote dejó de estar accesible"));
  }
  for (const TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Published &&
        (ops_.statAt(reached.get(), file.target.constData(), info) != 0 ||
         info.st_ino != file.copyInode || info.st_size != file.identity.size)) {
      return fail(SaveFailure::Other,
                  result_.batchFolder + QLatin1Char('/') + displayName(file.name),
                  QStringLiteral("la copia ya no está en el lote"));
    }
  }
  return true;
}

UniqueFd BatchRun::reopenTarget() {
  UniqueFd reached;
  if (returning_) {
    ops_.openAt(AT_FDCWD, QFile::encodeName(request_.watchedFolder).constData(), openflags::folder,
                reached);
    return reached;
  }
  UniqueFd base;
  if (ops_.openAt(AT_FDCWD, QFile::encodeName(request_.base).constData(), openflags::folder,
                  base) == 0) {
    ops_.openAt(base.get(), batchName_.constData(), openflags::untrustedFolder, reached);
  }
  return reached;
}

// An original is removed only while it is still exactly what was copied; one that changed
// goes back to its name, and its earlier content stays in the batch. It is held open across
// its removal, so that a write that slips in between the check and the removal is caught
// afterwards and its content written back.
void BatchRun::deleteClaimed() {
  for (TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Published) {
      continue;
    }
    UniqueFd held;
    struct stat now {};
    int error = ops_.openAt(source(), file.claim.constData(), openflags::untrusted, held);
    if (error == 0 && (fstat(held.get(), &now) != 0 || !(identityOf(now) == file.identity))) {
      giveBack(file,
               QStringLiteral("cambió después de copiarse; su copia anterior está en el lote"));
      continue;
    }
    if (error == 0) {
      error = ops_.unlinkAt(source(), file.claim.constData());
    }
    if (error != 0) {
      giveBack(file, QStringLiteral("no se pudo borrar: ") + errnoText(error));
      continue;
    }
    if (fstat(held.get(), &now) == 0 && identityOf(now) == file.identity) {
      done(file);
      keepWatching(file, std::move(held));
      continue;
    }
    const QByteArray restored =
        restoreContent(ops_, source(), held.get(), file.name, file.mode & 0777);
    file.name = restored.isEmpty() ? file.name : restored;
    leave(file, QStringLiteral("cambió mientras se guardaba; su copia anterior está en el lote"));
  }
  ops_.flush(source());
}

// An original that only the quiet rule let through is held open once removed, until it has been
// quiet for a while: its writer may only have been pausing, and what it writes still is the
// user's. claimAll kept a descriptor spare for it.
void BatchRun::keepWatching(const TakenFile& file, UniqueFd held) {
  if (!file.unseen) {
    return;
  }
  if (!result_.watched) {
    result_.watched = std::make_shared<const UniqueFd>(fcntl(watched_.get(), F_DUPFD_CLOEXEC, 0));
  }
  result_.removed.push_back(
      {file.name, holdOriginal(std::move(held)), file.identity, file.mode & 0777});
}

void BatchRun::undoCopies() {
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Copied) {
      ops_.unlinkAt(target(), file.temporary.constData());
    } else if (file.stage == TakenFile::Stage::Published) {
      ops_.unlinkAt(target(), file.target.constData());
    }
    if (hasClaim(file) && returnClaim(file)) {
      file.stage = TakenFile::Stage::Checked;
    }
  }
  ops_.flush(source());
}
