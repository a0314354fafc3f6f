// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchSave.h"

#include "fs/Claim.h"
#include "fs/ErrnoText.h"
#include "fs/FileOps.h"
#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "monitor/BatchRun.h"
#include "monitor/BatchStamp.h"

#include <QFile>

#include <fcntl.h>
#include <cerrno>

namespace {

const QString inUseReason = QStringLiteral("el archivo está siendo usado por otro programa");

}  // namespace

QString diskError(int error) {
  return QStringLiteral("no se pudo escribir en el disco: ") + errnoText(error);
}

BatchRun::BatchRun(const SaveRequest& request, const SaveEnv& env, bool returning)
    : request_(request),
      ops_(env.ops ? *env.ops : realFileOps()),
      check_(env.inUse),
      progress_(env.progress),
      stop_(env.stop),
      returning_(returning) {}

SaveResult BatchRun::run() {
  if (!checkTarget() || !openFolders() || !checkSources()) {
    return result_;
  }
  // A list of files none of which can be taken makes no folder; an empty list, asked for
  // from the menu, makes an empty one.
  if (taken_.empty() && !request_.names.empty()) {
    result_.batchFolder.clear();
    return result_;
  }
  if (!createFolder()) {
    return result_;
  }
  if (taken_.empty()) {
    ops_.flush(base_.get());
    return result_;
  }
  MoveOutcome outcome = MoveOutcome::Unsupported;
  if (watchedInfo_.st_dev == batchInfo_.st_dev) {
    outcome = moveAll();
  }
  if (outcome == MoveOutcome::Unsupported) {
    outcome = copyAll() ? MoveOutcome::Done : MoveOutcome::Failed;
  }
  if (outcome == MoveOutcome::Failed) {
    removeJournalAndFolder();
  } else if (result_.moved == 0) {
    removeOwnFolder();  // every file was taken by someone else meanwhile
  }
  return result_;
}

bool BatchRun::fail(SaveFailure failure, const QString& concerned, const QString& reason) {
  result_.failure = failure;
  result_.concerned = concerned;
  result_.reason = reason;
  return false;
}

QString BatchRun::sourcePath(const QByteArray& name) const {
  return request_.watchedFolder + QLatin1Char('/') + displayName(name);
}

void BatchRun::leave(TakenFile& file, const QString& reason) {
  file.stage = TakenFile::Stage::Left;
  result_.left.push_back({file.name, reason});
}

// A bind-mounted file, another user's file in a shared folder with the sticky bit, an immutable
// file: the folder still takes the others. No space, a read-only file system or an I/O error
// concern the folder as a whole.
bool BatchRun::leaveOnFileError(TakenFile& file, int error, const QString& what) {
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

bool BatchRun::stopped() {
  return stop_ && stop_->load(std::memory_order_relaxed) &&
         !fail(SaveFailure::Other, result_.batchFolder,
               QStringLiteral("el programa se cerró antes de terminar el guardado"));
}

void BatchRun::done(TakenFile& file) {
  file.stage = TakenFile::Stage::Done;
  ++result_.moved;
  result_.saved.push_back(file.target);
  if (file.target != file.name) {
    result_.renamed.push_back(file.target);
  }
}

void BatchRun::advance() {
  if (progress_) {
    progress_->fetch_add(1, std::memory_order_relaxed);
  }
}

// The stamp always follows the prefix, so "." or ".." still name a new folder inside the base.
bool BatchRun::checkTarget() {
  if (request_.prefix.contains(QLatin1Char('/'))) {
    return fail(SaveFailure::Other, request_.prefix,
                QStringLiteral("el prefijo no puede contener \"/\", porque el lote quedaría "
                               "fuera del directorio de destino"));
  }
  if (request_.base.isEmpty()) {
    return fail(SaveFailure::Other, {},
                QStringLiteral("no hay ningún directorio de destino configurado"));
  }
  result_.batchFolder = batchFolderPath(request_.base, request_.prefix, request_.moment);
  batchName_ = QFile::encodeName(request_.prefix + marcaLote(request_.moment));
  return true;
}

bool BatchRun::openFolders() {
  const QByteArray watched = QFile::encodeName(request_.watchedFolder);
  int error = ops_.openAt(AT_FDCWD, watched.constData(), openflags::folder, watched_);
  if (error == 0 && fstat(watched_.get(), &watchedInfo_) != 0) {
    error = errno;
  }
  if (error != 0) {
    return fail(
        SaveFailure::Other, request_.watchedFolder,
        QStringLiteral("no se puede abrir el directorio de monitorización: ") + errnoText(error));
  }
  const QByteArray base = QFile::encodeName(request_.base);
  error = ops_.openAt(AT_FDCWD, base.constData(), openflags::folder, base_);
  if (error == ENOENT || error == ENOTDIR) {
    return fail(SaveFailure::Other, request_.base,
                QStringLiteral("el directorio de destino no existe"));
  }
  if (error != 0) {
    return fail(SaveFailure::Other, request_.base, errnoText(error));
  }
  return true;
}

// Every listed file is looked at before anything is created: those that cannot be taken are
// left, and one still being written holds the whole batch back until it is closed.
bool BatchRun::checkSources() {
  taken_.reserve(request_.names.size());
  QByteArray holdingBack;
  for (const QByteArray& name : request_.names) {
    if (request_.lastInUse.count(name) != 0) {
      checkOne(name, holdingBack);
    }
  }
  for (auto name = request_.names.begin(); holdingBack.isEmpty() && name != request_.names.end();
       ++name) {
    if (request_.lastInUse.count(*name) == 0) {
      checkOne(*name, holdingBack);
    }
  }
  if (!holdingBack.isEmpty()) {
    taken_.clear();
    result_.left.clear();
    return fail(SaveFailure::InUse, sourcePath(holdingBack), inUseReason);
  }
  return true;
}

void BatchRun::checkOne(const QByteArray& name, QByteArray& holdingBack) {
  TakenFile file;
  file.name = name;
  struct stat info {};
  int error = ops_.statAt(watched_.get(), name.constData(), info);
  if (error == 0 && !S_ISREG(info.st_mode)) {
    leave(file, QStringLiteral("no es un archivo normal"));
    return;
  }
  UniqueFd fd;
  if (error == 0) {
    error = ops_.openAt(watched_.get(), name.constData(), openflags::untrusted, fd);
  }
  if (error != 0) {
    leave(file, error == ENOENT ? QStringLiteral("ya no estaba en el directorio")
                                : QStringLiteral("no se puede leer: ") + errnoText(error));
    return;
  }
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    leave(file, QStringLiteral("no es un archivo normal"));
    return;
  }
  const InUse state = inUseState(fd.get(), name, info, check_);
  if (state == InUse::Writing) {
    result_.inUse.push_back(name);
    if (request_.leaveIfInUse.count(name) != 0) {
      leave(file, inUseReason);
    } else if (holdingBack.isEmpty()) {
      holdingBack = name;
    }
    return;
  }
  file.identity = identityOf(info);
  file.mode = info.st_mode & 07777;
  file.unseen = state == InUse::Unseen;
  file.target = name;
  taken_.push_back(std::move(file));
}

bool BatchRun::createFolder() {
  const int error = ops_.makeFolder(base_.get(), batchName_.constData());
  if (error == EEXIST) {
    return fail(SaveFailure::FolderExists, result_.batchFolder,
                QStringLiteral("ya existe un directorio con ese nombre"));
  }
  if (error != 0) {
    return fail(SaveFailure::Other, result_.batchFolder,
                QStringLiteral("no se pudo crear el directorio: ") + errnoText(error));
  }
  int failure =
      ops_.openAt(base_.get(), batchName_.constData(), openflags::untrustedFolder, batch_);
  if (failure == 0 && fstat(batch_.get(), &batchInfo_) != 0) {
    failure = errno;
  }
  result_.batchDevice = batchInfo_.st_dev;
  result_.batchInode = batchInfo_.st_ino;
  if (failure == 0) {
    failure = lockWithoutWaiting(batch_.get());
  }
  if (failure != 0) {
    ops_.removeFolder(base_.get(), batchName_.constData());
    return fail(SaveFailure::Other, result_.batchFolder, errnoText(failure));
  }
  return true;
}

// A journal is written whole under a draft name and renamed, so that it either says everything
// or is not there; flushed with the folders before the first file moves. Across file systems
// the same text goes into an index beside the claimed files, locked until the save ends.
bool BatchRun::writeJournal(BatchJournal::Mode mode) {
  BatchJournal journal{mode, watchedInfo_.st_dev, watchedInfo_.st_ino, {}};
  journal.entries.reserve(taken_.size());
  for (const TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Left) {
      journal.entries.push_back(
          {file.name, file.claim, file.temporary, file.identity,
           mode == BatchJournal::Mode::ReturnCopy ? file.target : QByteArray()});
    }
  }
  const QByteArray text = formatJournal(journal);
  UniqueFd journalFd;
  int error = writeWhole(batch_.get(), journalDraftName, journalName, text, journalFd);
  if (error == 0) {
    error = flushBoth();
  }
  if (error != 0) {
    ops_.unlinkAt(batch_.get(), journalName);
    return fail(SaveFailure::Other, result_.batchFolder, diskError(error));
  }
  if (mode == BatchJournal::Mode::Move || mode == BatchJournal::Mode::ReturnMove) {
    return true;
  }
  error = writeWhole(watched_.get(), indexDraftName(tag_), indexName(tag_), text, index_);
  if (error == 0) {
    error = ops_.flush(watched_.get());
  }
  if (error != 0) {
    ops_.unlinkAt(watched_.get(), indexName(tag_).constData());
    index_.reset();
    return fail(SaveFailure::Other, request_.watchedFolder, diskError(error));
  }
  return true;
}

int BatchRun::writeWhole(int folder, const QByteArray& draft, const QByteArray& name,
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

int BatchRun::flushBoth() {
  const int error = ops_.flush(batch_.get());
  return error != 0 ? error : ops_.flush(base_.get());
}

// The files are where they belong and on the disk: the journal has nothing left to tell,
// unless a claimed file could not be given its name back.
void BatchRun::finish() {
  if (hidden_) {
    return;
  }
  ops_.unlinkAt(batch_.get(), journalName);
  ops_.flush(batch_.get());
  if (index_.valid()) {
    ops_.unlinkAt(watched_.get(), indexName(tag_).constData());
  }
}

void BatchRun::removeJournalAndFolder() {
  if (hidden_) {
    return;
  }
  finish();
  ops_.unlinkAt(batch_.get(), journalDraftName);
  removeOwnFolder();
}

// Only while the path still leads to the folder this save made, and only when it is empty.
void BatchRun::removeOwnFolder() {
  struct stat info {};
  if (ops_.statAt(base_.get(), batchName_.constData(), info) == 0 &&
      info.st_dev == batchInfo_.st_dev && info.st_ino == batchInfo_.st_ino &&
      ops_.removeFolder(base_.get(), batchName_.constData()) == 0) {
    result_.batchFolder.clear();
    ops_.flush(base_.get());
  }
}

// Within one file system a rename moves a file whole: it is never in two places, nor in none.
// A return never leaves a file for its name being taken: it comes back under a kept name.
BatchRun::MoveOutcome BatchRun::moveAll() {
  if (!writeJournal(returning_ ? BatchJournal::Mode::ReturnMove : BatchJournal::Mode::Move)) {
    return MoveOutcome::Failed;
  }
  bool anyMoved = false;
  for (TakenFile& file : taken_) {
    if (stopped()) {
      undoMoves();
      return MoveOutcome::Failed;
    }
    int error = 0;
    if (returning_) {
      file.target = moveUnderFreeName(ops_, source(), file.name, target(), file.name, error);
    } else {
      error = ops_.renameAt(source(), file.name.constData(), target(), file.name.constData());
    }
    if (error == 0) {
      file.stage = TakenFile::Stage::Moved;
      anyMoved = true;
      advance();
      continue;
    }
    if (error == ENOENT && returning_) {
      file.stage = TakenFile::Stage::Left;
      result_.missing.push_back(file.name);
      continue;
    }
    if (error == ENOENT) {
      leave(file, QStringLiteral("ya no estaba en el directorio"));
      continue;
    }
    // A bind mount, or a file system without no-replace renames: the copy way still works.
    if (!anyMoved && (error == EXDEV || error == EINVAL || error == ENOSYS)) {
      ops_.unlinkAt(batch_.get(), journalName);
      return MoveOutcome::Unsupported;
    }
    if (leaveOnFileError(file, error, QStringLiteral("no se pudo mover: "))) {
      continue;
    }
    fail(SaveFailure::Other, sourcePath(file.name),
         QStringLiteral("no se pudo mover: ") + errnoText(error));
    undoMoves();
    return MoveOutcome::Failed;
  }
  int error = ops_.flush(batch_.get());
  if (error == 0) {
    error = ops_.flush(watched_.get());
  }
  if (error != 0) {
    fail(SaveFailure::Other, result_.batchFolder, diskError(error));
    undoMoves();
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

// A file whose name was taken again meanwhile stays in the batch folder: saved, not lost.
void BatchRun::undoMoves() {
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Moved &&
        ops_.renameAt(target(), file.target.constData(), source(), file.name.constData()) == 0) {
      file.stage = TakenFile::Stage::Checked;
    }
  }
  ops_.flush(source());
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Moved) {
      done(file);
    }
  }
}

QString batchFolderPath(const QString& base, const QString& prefix, const QDateTime& moment) {
  return base + QLatin1Char('/') + prefix + marcaLote(moment);
}

QString displayName(const QByteArray& name) {
  return QString::fromUtf8(name);
}

SaveResult saveBatch(const SaveRequest& request, const SaveEnv& env) {
  return BatchRun(request, env).run();
}
