#include "monitor/BatchSave.h"

#include "fs/ErrnoText.h"
#include "fs/FileOps.h"
#include "monitor/BatchRun.h"
#include "monitor/BatchStamp.h"

#include <QFile>

#include <fcntl.h>
#include <cerrno>

namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY;

// Opened only to be looked at and probed: non-blocking, so that a pipe cannot hang the save.
constexpr int sourceFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;

const QString inUseReason = QStringLiteral("el archivo está siendo usado por otro programa");

}  // namespace

BatchRun::BatchRun(const SaveRequest& request, const SaveEnv& env)
    : request_(request),
      ops_(env.ops ? *env.ops : realFileOps()),
      check_(env.inUse),
      progress_(env.progress) {}

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
  if (watchedInfo_.st_dev == batchInfo_.st_dev) {
    switch (moveAll()) {
      case MoveOutcome::Done:
        return result_;
      case MoveOutcome::Failed:
        removeJournalAndFolder();
        return result_;
      case MoveOutcome::Unsupported:
        break;
    }
  }
  if (!copyAll()) {
    removeJournalAndFolder();
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
    return fail(SaveFailure::Other, QStringLiteral("Directorio de destino"),
                QStringLiteral("no está configurado"));
  }
  result_.batchFolder = batchFolderPath(request_.base, request_.prefix, request_.moment);
  batchName_ = QFile::encodeName(request_.prefix + marcaLote(request_.moment));
  return true;
}

bool BatchRun::openFolders() {
  const QByteArray watched = QFile::encodeName(request_.watchedFolder);
  watched_ = UniqueFd(ops_.openAt(AT_FDCWD, watched.constData(), folderFlags));
  if (!watched_.valid() || fstat(watched_.get(), &watchedInfo_) != 0) {
    return fail(SaveFailure::Other, request_.watchedFolder,
                QStringLiteral("no se puede abrir el directorio de monitorización: ") +
                    errnoText(watched_.valid() ? errno : -watched_.get()));
  }
  const QByteArray base = QFile::encodeName(request_.base);
  base_ = UniqueFd(ops_.openAt(AT_FDCWD, base.constData(), folderFlags));
  if (!base_.valid()) {
    const int error = -base_.get();
    if (error == ENOENT || error == ENOTDIR) {
      return fail(SaveFailure::Other, request_.base,
                  QStringLiteral("el directorio de destino no existe"));
    }
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
    TakenFile file{name, {}, {}, {}, 0, TakenFile::Stage::Checked};
    struct stat info {};
    int error = ops_.statAt(watched_.get(), name.constData(), info);
    if (error == 0 && !S_ISREG(info.st_mode)) {
      leave(file, QStringLiteral("no es un archivo normal"));
      continue;
    }
    const UniqueFd fd(error == 0 ? ops_.openAt(watched_.get(), name.constData(), sourceFlags)
                                 : -error);
    if (!fd.valid()) {
      error = -fd.get();
      leave(file, error == ENOENT ? QStringLiteral("ya no estaba en el directorio")
                                  : QStringLiteral("no se puede leer: ") + errnoText(error));
      continue;
    }
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
      leave(file, QStringLiteral("no es un archivo normal"));
      continue;
    }
    if (isInUse(fd.get(), name, info, check_)) {
      result_.inUse.push_back(name);
      if (request_.leaveIfInUse.count(name) != 0) {
        leave(file, inUseReason);
      } else if (holdingBack.isEmpty()) {
        holdingBack = name;
      }
      continue;
    }
    file.identity = identityOf(info);
    file.mode = info.st_mode & 07777;
    taken_.push_back(std::move(file));
  }
  if (!holdingBack.isEmpty()) {
    taken_.clear();
    result_.left.clear();
    return fail(SaveFailure::InUse, sourcePath(holdingBack), inUseReason);
  }
  return true;
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
  batch_ = UniqueFd(ops_.openAt(base_.get(), batchName_.constData(), folderFlags | O_NOFOLLOW));
  if (!batch_.valid() || fstat(batch_.get(), &batchInfo_) != 0) {
    const int error = batch_.valid() ? errno : -batch_.get();
    ops_.removeFolder(base_.get(), batchName_.constData());
    return fail(SaveFailure::Other, result_.batchFolder, errnoText(error));
  }
  return true;
}

// Written whole under a draft name and renamed, so that a journal either says everything or
// is not there; flushed with the folders before the first file moves.
bool BatchRun::writeJournal(BatchJournal::Mode mode) {
  BatchJournal journal{mode, watchedInfo_.st_dev, watchedInfo_.st_ino, {}};
  journal.entries.reserve(taken_.size());
  for (const TakenFile& file : taken_) {
    if (file.stage != TakenFile::Stage::Left) {
      journal.entries.push_back({file.name, file.claim, file.temporary, file.identity});
    }
  }
  const QByteArray text = formatJournal(journal);
  UniqueFd draft(ops_.openAt(batch_.get(), journalDraftName, O_WRONLY | O_CREAT | O_EXCL, 0600));
  int error = draft.valid() ? 0 : -draft.get();
  if (error == 0) {
    error = ops_.writeAll(draft.get(), text.constData(), static_cast<std::size_t>(text.size()));
  }
  if (error == 0) {
    error = ops_.flush(draft.get());
  }
  if (error == 0) {
    error = draft.reset();
  }
  if (error == 0) {
    error = ops_.renameAt(batch_.get(), journalDraftName, batch_.get(), journalName);
  }
  if (error == 0) {
    error = flushBoth() ? 0 : EIO;
  }
  if (error != 0) {
    ops_.unlinkAt(batch_.get(), journalDraftName);
    return fail(SaveFailure::Other, result_.batchFolder,
                QStringLiteral("no se pudo escribir en el disco: ") + errnoText(error));
  }
  return true;
}

bool BatchRun::flushBoth() {
  return ops_.flush(batch_.get()) == 0 && ops_.flush(base_.get()) == 0;
}

// The files are where they belong and on the disk: the journal has nothing left to tell.
void BatchRun::finish() {
  ops_.unlinkAt(batch_.get(), journalName);
  ops_.flush(batch_.get());
}

void BatchRun::removeJournalAndFolder() {
  ops_.unlinkAt(batch_.get(), journalName);
  ops_.unlinkAt(batch_.get(), journalDraftName);
  if (ops_.removeFolder(base_.get(), batchName_.constData()) == 0) {
    result_.batchFolder.clear();
  }
  ops_.flush(base_.get());
}

// Within one file system a rename moves a file whole: it is never in two places, nor in none.
BatchRun::MoveOutcome BatchRun::moveAll() {
  if (!writeJournal(BatchJournal::Mode::Move)) {
    return MoveOutcome::Failed;
  }
  bool anyMoved = false;
  for (TakenFile& file : taken_) {
    const int error =
        ops_.renameAt(watched_.get(), file.name.constData(), batch_.get(), file.name.constData());
    if (error == 0) {
      file.stage = TakenFile::Stage::Moved;
      anyMoved = true;
      advance();
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
    fail(SaveFailure::Other, sourcePath(file.name),
         QStringLiteral("no se pudo mover: ") + errnoText(error));
    undoMoves();
    return MoveOutcome::Failed;
  }
  if (ops_.flush(batch_.get()) != 0 || ops_.flush(watched_.get()) != 0) {
    fail(SaveFailure::Other, result_.batchFolder,
         QStringLiteral("no se pudo escribir en el disco"));
    undoMoves();
    return MoveOutcome::Failed;
  }
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Moved) {
      file.stage = TakenFile::Stage::Done;
      ++result_.moved;
    }
  }
  finish();
  return MoveOutcome::Done;
}

// A file whose name was taken again meanwhile stays in the batch folder: saved, not lost.
void BatchRun::undoMoves() {
  for (TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Moved &&
        ops_.renameAt(batch_.get(), file.name.constData(), watched_.get(), file.name.constData()) ==
            0) {
      file.stage = TakenFile::Stage::Checked;
    }
  }
  ops_.flush(watched_.get());
  for (const TakenFile& file : taken_) {
    if (file.stage == TakenFile::Stage::Moved) {
      ++result_.moved;
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
