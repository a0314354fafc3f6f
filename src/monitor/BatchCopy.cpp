#include "fs/Claim.h"
#include "fs/ErrnoText.h"
#include "fs/FileOps.h"
#include "monitor/BatchRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>

// Across file systems a file must be copied, and the original removed only once its copy is
// whole on the disk. Every original is claimed first, by a rename to a private name: that
// proves it can be removed before anything is copied, and whatever another program puts under
// the original name meanwhile is a different file, which is never touched.

namespace {

constexpr int claimedFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;

bool hasClaim(const TakenFile& file) {
  return file.stage == TakenFile::Stage::Claimed || file.stage == TakenFile::Stage::Copied ||
         file.stage == TakenFile::Stage::Published;
}

}  // namespace

bool BatchRun::copyAll() {
  const QByteArray tag =
      privatePrefix + QByteArray::number(static_cast<qulonglong>(batchInfo_.st_ino));
  qsizetype index = 0;
  for (TakenFile& file : taken_) {
    file.claim = tag + "-claim-" + QByteArray::number(index);
    file.temporary = tag + "-copy-" + QByteArray::number(index);
    ++index;
  }
  if (!writeJournal(BatchJournal::Mode::Copy)) {
    return false;
  }
  bool copied = claimAll();
  for (auto file = taken_.begin(); copied && file != taken_.end(); ++file) {
    copied = file->stage != TakenFile::Stage::Claimed || copyOne(*file);
  }
  if (!copied || !flushCopies() || !publishCopies() || !flushBoth()) {
    undoCopies();
    return false;
  }
  deleteClaimed();
  finish();
  return true;
}

void BatchRun::giveBack(TakenFile& file, const QString& reason) {
  file.name = restoreClaimed(ops_, watched_.get(), file.claim, file.name);
  leave(file, reason);
}

bool BatchRun::claimAll() {
  for (TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Checked) {
      continue;
    }
    const int error = ops_.renameAt(watched_.get(), file.name.constData(), watched_.get(),
                                    file.claim.constData());
    if (error == ENOENT) {
      leave(file, QStringLiteral("ya no estaba en el directorio"));
      continue;
    }
    if (error != 0) {
      return fail(SaveFailure::Other, sourcePath(file.name),
                  QStringLiteral("no se puede quitar del directorio de monitorización: ") +
                      errnoText(error));
    }
    file.stage = TakenFile::Stage::Claimed;
    struct stat info {};
    if (ops_.statAt(watched_.get(), file.claim.constData(), info) != 0 ||
        !identityOf(info).sameFile(file.identity)) {
      giveBack(file, QStringLiteral("se sustituyó mientras se guardaba el lote"));
    }
  }
  return true;
}

bool BatchRun::copyOne(TakenFile& file) {
  const UniqueFd source(ops_.openAt(watched_.get(), file.claim.constData(), claimedFlags));
  struct stat before {};
  if (!source.valid() || fstat(source.get(), &before) != 0) {
    return fail(SaveFailure::Other, sourcePath(file.name),
                errnoText(source.valid() ? errno : -source.get()));
  }
  if (!(identityOf(before) == file.identity)) {
    giveBack(file, QStringLiteral("cambió antes de copiarse"));
    return true;
  }
  UniqueFd destination(ops_.openAt(batch_.get(), file.temporary.constData(),
                                   O_WRONLY | O_CREAT | O_EXCL, file.mode & 0777));
  if (!destination.valid()) {
    return fail(SaveFailure::Other, result_.batchFolder, errnoText(-destination.get()));
  }
  file.stage = TakenFile::Stage::Copied;
  off_t copied = 0;
  if (const int error = ops_.copy(source.get(), destination.get(), copied); error != 0) {
    return fail(SaveFailure::Other, sourcePath(file.name), errnoText(error));
  }
  struct stat after {};
  if (fstat(source.get(), &after) != 0 || !(identityOf(after) == file.identity)) {
    destination.reset();
    ops_.unlinkAt(batch_.get(), file.temporary.constData());
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
    return fail(SaveFailure::Other, result_.batchFolder,
                QStringLiteral("no se pudo escribir en el disco: ") + errnoText(error));
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
    const UniqueFd copy(ops_.openAt(batch_.get(), file.temporary.constData(), O_RDONLY));
    const int error = copy.valid() ? ops_.flush(copy.get()) : -copy.get();
    if (error != 0) {
      return fail(SaveFailure::Other, result_.batchFolder,
                  QStringLiteral("no se pudo escribir en el disco: ") + errnoText(error));
    }
  }
  return true;
}

bool BatchRun::publishCopies() {
  for (TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Copied) {
      continue;
    }
    const int error = ops_.renameAt(batch_.get(), file.temporary.constData(), batch_.get(),
                                    file.name.constData());
    if (error != 0) {
      return fail(SaveFailure::Other, result_.batchFolder, errnoText(error));
    }
    file.stage = TakenFile::Stage::Published;
  }
  return true;
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
    const UniqueFd held(ops_.openAt(watched_.get(), file.claim.constData(), claimedFlags));
    struct stat now {};
    int error = held.valid() ? 0 : -held.get();
    if (error == 0 && (fstat(held.get(), &now) != 0 || !(identityOf(now) == file.identity))) {
      giveBack(file,
               QStringLiteral("cambió después de copiarse; su copia anterior está en el lote"));
      continue;
    }
    if (error == 0) {
      error = ops_.unlinkAt(watched_.get(), file.claim.constData());
    }
    if (error != 0) {
      giveBack(file, QStringLiteral("no se pudo borrar: ") + errnoText(error));
      continue;
    }
    if (fstat(held.get(), &now) == 0 && identityOf(now) == file.identity) {
      file.stage = TakenFile::Stage::Done;
      ++result_.moved;
      continue;
    }
    file.name = restoreContent(ops_, watched_.get(), held.get(), file.name, file.mode & 0777);
    leave(file, QStringLiteral("cambió mientras se guardaba; su copia anterior está en el lote"));
  }
  ops_.flush(watched_.get());
}

void BatchRun::undoCopies() {
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Copied) {
      ops_.unlinkAt(batch_.get(), file.temporary.constData());
    } else if (file.stage == TakenFile::Stage::Published) {
      ops_.unlinkAt(batch_.get(), file.name.constData());
    }
    if (hasClaim(file)) {
      file.name = restoreClaimed(ops_, watched_.get(), file.claim, file.name);
      file.stage = TakenFile::Stage::Checked;
    }
  }
  ops_.flush(watched_.get());
}
