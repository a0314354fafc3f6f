// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchMover.h"

#include "fs/Claim.h"
#include "fs/ErrnoText.h"
#include "fs/FileOps.h"
#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"

#include <QFile>

#include <fcntl.h>
#include <cerrno>

QString diskError(int error) {
  return QStringLiteral("no se pudo escribir en el disco: ") + errnoText(error);
}

QString displayName(const QByteArray& name) {
  return QString::fromUtf8(name);
}

BatchMover::BatchMover(MoveDirection direction, const MoveEnv& env, MoveReport& report)
    : direction_(std::move(direction)),
      ops_(env.ops ? *env.ops : realFileOps()),
      check_(env.inUse),
      progress_(env.progress),
      stop_(env.stop),
      report_(report) {}

void BatchMover::setTarget(int fd, const struct stat& info) {
  direction_.target.fd = fd;
  direction_.target.info = info;
}

const MoveFolder& BatchMover::batch() const {
  return source().role == MoveFolder::Role::Batch ? source() : target();
}

const MoveFolder& BatchMover::watched() const {
  return source().role == MoveFolder::Role::Watched ? source() : target();
}

int BatchMover::workOf(const MoveFolder& folder) const {
  return folder.work == MoveFolder::WorkPlace::WorkFolder ? work_.fd() : folder.fd;
}

// The working files' folder and, when that is the work folder, the folder that holds it.
int BatchMover::flushWork(const MoveFolder& folder) {
  const int error = ops_.flush(workOf(folder));
  return error != 0 || workOf(folder) == folder.fd ? error : ops_.flush(folder.fd);
}

bool BatchMover::fail(SaveFailure failure, const QString& concerned, const QString& reason) {
  return report_.fail(failure, concerned, reason);
}

bool openWatchedEnd(FileOps& ops, const QString& path, UniqueFd& fd, MoveFolder& end,
                    MoveReport& report) {
  int error = ops.openAt(AT_FDCWD, QFile::encodeName(path).constData(), openflags::folder, fd);
  if (error == 0 && fstat(fd.get(), &end.info) != 0) {
    error = errno;
  }
  if (error != 0) {
    return report.fail(
        SaveFailure::Other, path,
        QStringLiteral("no se puede abrir el directorio de monitorización: ") + errnoText(error));
  }
  end.role = MoveFolder::Role::Watched;
  end.fd = fd.get();
  end.path = path;
  end.word = QStringLiteral("directorio de monitorización");
  end.othersTakeFiles = true;
  end.work = MoveFolder::WorkPlace::WorkFolder;
  return true;
}

QString BatchMover::sourcePath(const QByteArray& name) const {
  return source().path + QLatin1Char('/') + displayName(name);
}

QString BatchMover::targetPath(const QByteArray& name) const {
  return target().path + QLatin1Char('/') + displayName(name);
}

void BatchMover::leave(TakenFile& file, const QString& reason) {
  file.stage = TakenFile::Stage::Left;
  report_.left.push_back({file.name, reason});
}

void BatchMover::leave(const QByteArray& name, const QString& reason) {
  report_.left.push_back({name, reason});
}

void BatchMover::vanish(TakenFile& file) {
  if (!direction_.goneReason.isEmpty()) {
    leave(file, direction_.goneReason);
    return;
  }
  file.stage = TakenFile::Stage::Left;
  vanished_.push_back(file.name);
}

// A bind-mounted file, another user's file in a shared folder with the sticky bit, an immutable
// file: the folder still takes the others. No space, a read-only file system or an I/O error
// concern the folder as a whole.
bool BatchMover::leaveOnFileError(TakenFile& file, int error, const QString& what) {
  switch (error) {
    case EPERM:
    case EBUSY:
    case ETXTBSY:
    case EISDIR:
    case ENOTEMPTY:
    case EEXIST:
    case ENAMETOOLONG:
    case EXDEV:
      leave(file, what + errnoText(error));
      return true;
    default:
      return false;
  }
}

bool BatchMover::stopped() {
  return stop_ && stop_->load(std::memory_order_relaxed) &&
         !fail(SaveFailure::Other, report_.batchFolder,
               QStringLiteral("el programa se cerró antes de terminar"));
}

void BatchMover::done(TakenFile& file) {
  file.stage = TakenFile::Stage::Done;
  ++report_.moved;
  report_.saved.push_back(file.target);
  if (file.target != file.name) {
    renamed_.push_back(file.target);
  }
}

void BatchMover::advance() {
  if (progress_) {
    progress_->fetch_add(1, std::memory_order_relaxed);
  }
}

// The program's own working names are never taken for a user's file, whatever a list says.
BatchMover::Look BatchMover::look(const QByteArray& name) {
  TakenFile file;
  file.name = name;
  file.target = name;
  if (!isSingleComponent(name) || isPrivateName(name)) {
    vanish(file);
    return Look::Vanished;
  }
  struct stat info {};
  int error = ops_.statAt(source().fd, name.constData(), info);
  if (error == 0 && !S_ISREG(info.st_mode)) {
    leave(file, QStringLiteral("no es un archivo normal"));
    return Look::Left;
  }
  UniqueFd fd;
  if (error == 0) {
    error = ops_.openAt(source().fd, name.constData(), openflags::untrusted, fd);
  }
  if (error == ENOENT) {
    vanish(file);
    return Look::Vanished;
  }
  if (error != 0) {
    leave(file, QStringLiteral("no se puede leer: ") + errnoText(error));
    return Look::Left;
  }
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    leave(file, QStringLiteral("no es un archivo normal"));
    return Look::Left;
  }
  if (direction_.check == FileCheck::ReadableAndClosed) {
    const InUse state = inUseState(fd.get(), name, info, check_);
    if (state == InUse::Writing) {
      return Look::Writing;
    }
    file.unseen = state == InUse::Unseen;
  }
  file.identity = identityOf(info);
  file.mode = info.st_mode & 07777;
  taken_.push_back(std::move(file));
  return Look::Taken;
}

void BatchMover::forget() {
  taken_.clear();
  vanished_.clear();
  report_.left.clear();
}

bool BatchMover::move() {
  if (taken_.empty()) {
    return true;
  }
  MoveOutcome outcome = MoveOutcome::Unsupported;
  if (source().info.st_dev == target().info.st_dev) {
    outcome = renameAll();
  }
  if (outcome == MoveOutcome::Unsupported) {
    outcome = copyAll() ? MoveOutcome::Done : MoveOutcome::Failed;
  }
  if (outcome == MoveOutcome::Failed) {
    removeJournalAndFolder();
  }
  work_.leave();
  return outcome != MoveOutcome::Failed;
}

// A journal is written whole under a draft name and renamed, so that it either says everything
// or is not there; flushed with the batch folder's entry before the first file moves. Across
// file systems the same text goes first into an index beside the watched folder's working
// files, locked until the move ends, which names the batch: a recovery finds the batch from
// there wherever it lies.
bool BatchMover::writeJournal(BatchJournal::Mode mode) {
  BatchJournal journal{mode,
                       watched().info.st_dev,
                       watched().info.st_ino,
                       {},
                       {QFile::encodeName(batch().path), batch().info.st_dev, batch().info.st_ino},
                       work_.name()};
  journal.entries.reserve(taken_.size());
  for (const TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Left) {
      journal.entries.push_back(
          {file.name, file.claim, file.temporary, file.identity,
           mode == BatchJournal::Mode::ReturnCopy ? file.target : QByteArray()});
    }
  }
  const QByteArray text = formatJournal(journal);
  const bool indexed = mode == BatchJournal::Mode::Copy || mode == BatchJournal::Mode::ReturnCopy;
  int error = 0;
  if (indexed) {
    error = writeWhole(workOf(watched()), indexDraftName(tag_), indexName(tag_), text, index_);
    if (error == 0) {
      error = flushWork(watched());
    }
    if (error != 0) {
      ops_.unlinkAt(workOf(watched()), indexName(tag_).constData());
      index_.reset();
      return fail(SaveFailure::Other, watched().path, diskError(error));
    }
  }
  UniqueFd journalFd;
  error = writeWhole(batch().fd, journalDraftName, journalName, text, journalFd);
  if (error == 0) {
    error = flushWithParent(batch());
  }
  if (error != 0) {
    ops_.unlinkAt(batch().fd, journalName);
    if (indexed) {
      ops_.unlinkAt(workOf(watched()), indexName(tag_).constData());
      index_.reset();
    }
    return fail(SaveFailure::Other, batch().path, diskError(error));
  }
  return true;
}

int BatchMover::writeWhole(int folder, const QByteArray& draft, const QByteArray& name,
                           const QByteArray& text, UniqueFd& fd) {
  int error = ops_.openAt(folder, draft.constData(), O_WRONLY | O_CREAT | O_EXCL, fd, 0600);
  if (error == 0) {
    error = lockWithoutWaiting(fd.get());
  }
  if (error == 0) {
    error = ops_.writeAll(fd.get(), text.constData(), static_cast<std::size_t>(text.size()));
  }
  if (error == 0) {
    error = ops_.flush(fd.get());
  }
  if (error == 0) {
    error = ops_.renameAt(folder, draft.constData(), folder, name.constData());
  }
  if (error != 0) {
    ops_.unlinkAt(folder, draft.constData());
    fd.reset();
  }
  return error;
}

int BatchMover::flushWithParent(const MoveFolder& folder) {
  const int error = ops_.flush(folder.fd);
  return error != 0 || folder.parentFd < 0 ? error : ops_.flush(folder.parentFd);
}

// The files are where they belong and on the disk: the journal has nothing left to tell,
// unless a claimed file could not be given its name back. It goes only after the last flush.
void BatchMover::finish() {
  if (hidden_) {
    return;
  }
  ops_.unlinkAt(batch().fd, journalName);
  ops_.flush(batch().fd);
  if (index_.valid()) {
    ops_.unlinkAt(workOf(watched()), indexName(tag_).constData());
  }
}

void BatchMover::removeJournalAndFolder() {
  if (hidden_) {
    return;
  }
  finish();
  ops_.unlinkAt(batch().fd, journalDraftName);
  if (batch().role == target().role) {
    removeBatchFolder();
  }
}

void BatchMover::removeBatchFolder() {
  struct stat info {};
  if (ops_.statAt(batch().parentFd, batch().name.constData(), info) == 0 &&
      info.st_dev == batch().info.st_dev && info.st_ino == batch().info.st_ino &&
      ops_.removeFolder(batch().parentFd, batch().name.constData()) == 0) {
    report_.batchFolder.clear();
    ops_.flush(batch().parentFd);
  }
}

int BatchMover::renameOne(TakenFile& file) {
  int error = 0;
  if (direction_.clash == NameClash::KeepBoth) {
    file.target = moveUnderFreeName(ops_, source().fd, file.name, target().fd, file.name, error);
  } else {
    error = ops_.renameAt(source().fd, file.name.constData(), target().fd, file.name.constData());
  }
  return error;
}

// Within one file system a rename moves a file whole: it is never in two places, nor in none.
// Once a file went that way, a cross-device answer concerns that file alone: the rest do not
// switch to copies halfway.
BatchMover::MoveOutcome BatchMover::renameAll() {
  if (!writeJournal(direction_.renameMode)) {
    return MoveOutcome::Failed;
  }
  bool anyMoved = false;
  for (TakenFile& file : taken_) {
    if (stopped()) {
      undoRenames();
      return MoveOutcome::Failed;
    }
    const int error = renameOne(file);
    if (error == 0) {
      file.stage = TakenFile::Stage::Moved;
      anyMoved = true;
      advance();
      continue;
    }
    if (error == ENOENT) {
      vanish(file);
      continue;
    }
    // A bind mount, or a file system without no-replace renames: the copy way still works.
    if (!anyMoved && (error == EXDEV || error == EINVAL || error == ENOSYS)) {
      ops_.unlinkAt(batch().fd, journalName);
      return MoveOutcome::Unsupported;
    }
    if (leaveOnFileError(file, error, QStringLiteral("no se pudo mover: "))) {
      continue;
    }
    fail(SaveFailure::Other, sourcePath(file.name),
         QStringLiteral("no se pudo mover: ") + errnoText(error));
    undoRenames();
    return MoveOutcome::Failed;
  }
  int error = ops_.flush(target().fd);
  if (error == 0) {
    error = ops_.flush(source().fd);
  }
  if (error != 0) {
    fail(SaveFailure::Other, target().path, diskError(error));
    undoRenames();
    return MoveOutcome::Failed;
  }
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Moved) {
      done(file);
    }
  }
  finish();
  return MoveOutcome::Done;
}

// A file whose name was taken again meanwhile stays where it went: moved, not lost.
void BatchMover::undoRenames() {
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Moved &&
        ops_.renameAt(target().fd, file.target.constData(), source().fd, file.name.constData()) ==
            0) {
      file.stage = TakenFile::Stage::Checked;
    }
  }
  ops_.flush(source().fd);
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Moved) {
      done(file);
    }
  }
}
