// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/Claim.h"
#include "fs/ErrnoText.h"
#include "fs/FileOps.h"
#include "fs/OpenFlags.h"
#include "monitor/BatchMover.h"
#include "monitor/LateWrites.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>
#include <set>

// Across file systems a file must be copied, and the original removed only once its copy is
// whole on the disk. Every original is claimed first, by a rename to a private name: that
// proves it can be removed before anything is copied, and whatever another program puts under
// the original name meanwhile is a different file, which is never touched. In a folder that
// others write to, the claimed originals and the copies not yet whole wait in the program's own
// work folder, where nobody else can put a file under their names.

namespace {

bool hasClaim(const TakenFile& file) {
  return file.stage == TakenFile::Stage::Claimed || file.stage == TakenFile::Stage::Copied ||
         file.stage == TakenFile::Stage::Published;
}

}  // namespace

bool BatchMover::copyAll() {
  tag_ = saveTag(batch().info.st_ino);
  if (!openWorkFolder()) {
    return false;
  }
  qsizetype index = 0;
  for (TakenFile& file : taken_) {
    file.claim = tag_ + "-claim-" + QByteArray::number(index);
    file.temporary = tag_ + "-copy-" + QByteArray::number(index);
    ++index;
  }
  planTargets();
  if (!writeJournal(direction_.copyMode)) {
    return false;
  }
  bool copied = claimAll();
  for (auto file = taken_.begin(); copied && file != taken_.end(); ++file) {
    copied = file->stage != TakenFile::Stage::Claimed || (!stopped() && copyOne(*file));
  }
  copied = copied && flushCopies() && publishCopies();
  if (copied) {
    const int error = flushWithParent(target());
    copied = error == 0 ? targetStillReachable()
                        : fail(SaveFailure::Other, target().path, diskError(error));
  }
  if (!copied) {
    undoCopies();
    return false;
  }
  deleteClaimed();
  finish();
  return true;
}

bool BatchMover::openWorkFolder() {
  if (watched().work != MoveFolder::WorkPlace::WorkFolder) {
    return true;
  }
  const int error = work_.open(watched().fd, workFolderName());
  return error == 0 || fail(SaveFailure::Other, watched().path, diskError(error));
}

// A copy takes its name only once whole, and a recovery must know that name to tell a copy
// from the user's own file: where a taken name gives a kept one, it is chosen, and journaled,
// before the copy is made.
void BatchMover::planTargets() {
  if (direction_.clash != NameClash::KeepBoth) {
    return;
  }
  std::set<QByteArray> planned;
  const auto isPlanned = [&planned](const QByteArray& name) { return planned.count(name) != 0; };
  for (TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Checked) {
      continue;
    }
    file.target = freeName(ops_, target().fd, file.name, isPlanned);
    if (file.target.isEmpty()) {
      leave(file, QStringLiteral("no queda ningún nombre libre para él en ") + theWord(target()));
      continue;
    }
    planned.insert(file.target);
  }
}

bool BatchMover::returnClaim(TakenFile& file) {
  int error = 0;
  const QByteArray name =
      moveUnderFreeName(ops_, claims(), file.claim, source().fd, file.name, error);
  if (name.isEmpty()) {
    hidden_ = true;
    return false;
  }
  file.name = name;
  return true;
}

void BatchMover::giveBack(TakenFile& file, const QString& reason) {
  leave(file, returnClaim(file)
                  ? reason
                  : reason + QStringLiteral("; recuperará su nombre en el próximo guardado"));
}

// A file that only the quiet rule let through is held open once removed, and is taken only
// while a descriptor is spare for it: otherwise it stays as it is, for a later batch.
bool BatchMover::claimAll() {
  const QString what = QStringLiteral("no se puede quitar ") + ofTheWord(source()) + ": ";
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
        ops_.renameAt(source().fd, file.name.constData(), claims(), file.claim.constData());
    if (error == ENOENT) {
      vanish(file);
      continue;
    }
    if (error != 0 && leaveOnFileError(file, error, what)) {
      continue;
    }
    if (error != 0) {
      return fail(SaveFailure::Other, sourcePath(file.name), what + errnoText(error));
    }
    file.stage = TakenFile::Stage::Claimed;
    struct stat info {};
    if (ops_.statAt(claims(), file.claim.constData(), info) != 0 ||
        !(identityOf(info) == file.identity)) {
      giveBack(file, QStringLiteral("cambió mientras se movía"));
    }
  }
  return true;
}

bool BatchMover::copyOne(TakenFile& file) {
  UniqueFd original;
  struct stat before {};
  if (const int error =
          ops_.openAt(claims(), file.claim.constData(), openflags::untrusted, original);
      error != 0 || fstat(original.get(), &before) != 0) {
    return fail(SaveFailure::Other, sourcePath(file.name), errnoText(error != 0 ? error : errno));
  }
  if (!(identityOf(before) == file.identity)) {
    giveBack(file, QStringLiteral("cambió antes de copiarse"));
    return true;
  }
  UniqueFd destination;
  if (const int error = ops_.openAt(drafts(), file.temporary.constData(),
                                    O_WRONLY | O_CREAT | O_EXCL, destination, file.mode & 0777);
      error != 0) {
    return fail(SaveFailure::Other, target().path, errnoText(error));
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
  // Checked by its identity after the copy: a file that changed meanwhile is never published.
  struct stat after {};
  if (fstat(original.get(), &after) != 0 || !(identityOf(after) == file.identity)) {
    destination.reset();
    ops_.unlinkAt(drafts(), file.temporary.constData());
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
    return fail(SaveFailure::Other, target().path, diskError(error));
  }
  advance();
  return true;
}

// A real name in the target never holds a partial file: copies take their names only once
// they are whole on the disk.
bool BatchMover::flushCopies() {
  for (const TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Copied) {
      continue;
    }
    if (stopped()) {
      return false;
    }
    UniqueFd copy;
    int error = ops_.openAt(drafts(), file.temporary.constData(), O_RDONLY, copy);
    if (error == 0) {
      error = ops_.flush(copy.get());
    }
    if (error != 0) {
      return fail(SaveFailure::Other, target().path, diskError(error));
    }
  }
  return true;
}

bool BatchMover::publishCopies() {
  for (TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Copied) {
      continue;
    }
    const int error =
        ops_.renameAt(drafts(), file.temporary.constData(), target().fd, file.target.constData());
    if (error == EEXIST && direction_.clash == NameClash::KeepBoth) {
      ops_.unlinkAt(drafts(), file.temporary.constData());
      giveBack(file, QStringLiteral("otro archivo tomó su nombre en ") + theWord(target()));
      continue;
    }
    if (error != 0) {
      return fail(SaveFailure::Other, targetPath(file.target), errnoText(error));
    }
    file.stage = TakenFile::Stage::Published;
  }
  return true;
}

// A target that went away meanwhile (a lazy unmount) still takes writes through the open
// folder, and they are lost with it: the originals stay until the path leads to the same folder
// and every copy is found there. In a folder that others take files from, a copy published and
// flushed there and taken since is the user's file: its original goes as planned, so that no
// file ends up in two places.
bool BatchMover::targetStillReachable() {
  const UniqueFd reached = reopen(target());
  struct stat info {};
  if (!reached.valid() || fstat(reached.get(), &info) != 0 || info.st_dev != target().info.st_dev ||
      info.st_ino != target().info.st_ino) {
    return fail(SaveFailure::Other, target().path,
                theWord(target()) + QStringLiteral(" dejó de estar accesible"));
  }
  if (target().othersTakeFiles) {
    return true;
  }
  for (const TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Published &&
        (ops_.statAt(reached.get(), file.target.constData(), info) != 0 ||
         info.st_ino != file.copyInode || info.st_size != file.identity.size)) {
      return fail(SaveFailure::Other, targetPath(file.target),
                  QStringLiteral("la copia ya no está en ") + theWord(target()));
    }
  }
  return true;
}

UniqueFd BatchMover::reopen(const MoveFolder& folder) {
  UniqueFd reached;
  if (folder.name.isEmpty()) {
    ops_.openAt(AT_FDCWD, QFile::encodeName(folder.path).constData(), openflags::folder, reached);
    return reached;
  }
  UniqueFd parent;
  if (ops_.openAt(AT_FDCWD, QFile::encodeName(folder.parentPath).constData(), openflags::folder,
                  parent) == 0) {
    ops_.openAt(parent.get(), folder.name.constData(), openflags::untrustedFolder, reached);
  }
  return reached;
}

// An original is removed only while it is still exactly what was copied; one that changed
// goes back to its name, and its earlier content stays in the target. It is held open across
// its removal, so that a write that slips in between the check and the removal is caught
// afterwards and its content written back.
void BatchMover::deleteClaimed() {
  const QString copyThere = QStringLiteral("; su copia anterior está en ") + theWord(target());
  for (TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Published) {
      continue;
    }
    UniqueFd held;
    struct stat now {};
    int error = ops_.openAt(claims(), file.claim.constData(), openflags::untrusted, held);
    if (error == 0 && (fstat(held.get(), &now) != 0 || !(identityOf(now) == file.identity))) {
      giveBack(file, QStringLiteral("cambió después de copiarse") + copyThere);
      continue;
    }
    if (error == 0) {
      error = ops_.unlinkAt(claims(), file.claim.constData());
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
        restoreContent(ops_, source().fd, held.get(), file.name, file.mode & 0777);
    file.name = restored.isEmpty() ? file.name : restored;
    leave(file, QStringLiteral("cambió al borrarse") + copyThere);
  }
  flushWork(source());
}

// An original that only the quiet rule let through is held open once removed, until it has been
// quiet for a while: its writer may only have been pausing, and what it writes still is the
// user's. claimAll kept a descriptor spare for it.
void BatchMover::keepWatching(const TakenFile& file, UniqueFd held) {
  if (!file.unseen) {
    return;
  }
  if (!lateWritesFolder_) {
    lateWritesFolder_ = std::make_shared<const UniqueFd>(fcntl(source().fd, F_DUPFD_CLOEXEC, 0));
  }
  removed_.push_back({file.name, holdOriginal(std::move(held)), file.identity, file.mode & 0777});
}

// A published copy is taken back only while it is still there as made; in a folder that others
// take files from, one gone since was taken as the user's file, and its original goes instead.
void BatchMover::undoCopies() {
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Copied) {
      ops_.unlinkAt(drafts(), file.temporary.constData());
    } else if (file.stage == TakenFile::Stage::Published) {
      struct stat info {};
      if (ops_.statAt(target().fd, file.target.constData(), info) == 0 &&
          info.st_ino == file.copyInode) {
        ops_.unlinkAt(target().fd, file.target.constData());
      } else if (target().othersTakeFiles && ops_.unlinkAt(claims(), file.claim.constData()) == 0) {
        done(file);
        continue;
      }
    }
    if (hasClaim(file) && returnClaim(file)) {
      file.stage = TakenFile::Stage::Checked;
    }
  }
  flushWork(source());
}
