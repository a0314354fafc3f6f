// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchSave.h"

#include "fs/ErrnoText.h"
#include "fs/FileOps.h"
#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "monitor/BatchMover.h"
#include "monitor/BatchStamp.h"

#include <QFile>

#include <fcntl.h>
#include <cerrno>

namespace {

const QString inUseReason = QStringLiteral("el archivo está siendo usado por otro programa");

// The watched folder, the base and the batch this save makes in it.
class Save {
public:
  Save(const SaveRequest& request, const MoveEnv& env)
      : request_(request), ops_(env.ops ? *env.ops : realFileOps()), env_(env) {}

  SaveResult run() {
    if (!checkPlace() || !openFolders()) {
      return std::move(result_);
    }
    BatchMover mover(direction(), env_, result_);
    if (!checkSources(mover)) {
      return std::move(result_);
    }
    // A list of files none of which can be taken makes no folder; an empty list, asked for
    // from the menu, makes an empty one.
    if (!mover.anyTaken() && !request_.names.empty()) {
      result_.batchFolder.clear();
      return finished(mover);
    }
    if (!createFolder()) {
      return std::move(result_);
    }
    mover.setTarget(batch_.get(), batchInfo_);
    if (!mover.anyTaken()) {
      ops_.flush(base_.get());
    } else if (mover.move() && result_.moved == 0) {
      mover.removeBatchFolder();  // every file was taken by someone else meanwhile
    }
    return finished(mover);
  }

private:
  // The stamp always follows the prefix, so "." or ".." still name a new folder inside the base.
  bool checkPlace() {
    if (request_.prefix.contains(QLatin1Char('/'))) {
      return result_.fail(
          SaveFailure::Other, request_.prefix,
          QStringLiteral("el prefijo no puede contener \"/\", porque el lote quedaría "
                         "fuera del directorio de destino"));
    }
    if (request_.base.isEmpty()) {
      return result_.fail(SaveFailure::Other, {},
                          QStringLiteral("no hay ningún directorio de destino configurado"));
    }
    result_.batchFolder = batchFolderPath(request_.base, request_.prefix, request_.moment);
    batchName_ = QFile::encodeName(request_.prefix + marcaLote(request_.moment));
    return true;
  }

  bool openFolders() {
    if (!openWatchedEnd(ops_, request_.watchedFolder, watched_, watchedEnd_, result_)) {
      return false;
    }
    const QByteArray base = QFile::encodeName(request_.base);
    const int error = ops_.openAt(AT_FDCWD, base.constData(), openflags::folder, base_);
    if (error == ENOENT || error == ENOTDIR) {
      return result_.fail(SaveFailure::Other, request_.base,
                          QStringLiteral("el directorio de destino no existe"));
    }
    if (error != 0) {
      return result_.fail(SaveFailure::Other, request_.base, errnoText(error));
    }
    return true;
  }

  MoveDirection direction() const {
    MoveFolder batch;
    batch.role = MoveFolder::Role::Batch;
    batch.path = result_.batchFolder;
    batch.word = QStringLiteral("lote");
    batch.parentPath = request_.base;
    batch.name = batchName_;
    batch.parentFd = base_.get();
    return {watchedEnd_,
            std::move(batch),
            BatchJournal::Mode::Move,
            BatchJournal::Mode::Copy,
            NameClash::LeaveFile,
            QStringLiteral("ya no estaba en el directorio"),
            FileCheck::ReadableAndClosed};
  }

  // Every listed file is looked at before anything is created: those that cannot be taken are
  // left, and one still being written holds the whole batch back until it is closed.
  bool checkSources(BatchMover& mover) {
    QByteArray holdingBack;
    const auto lookAt = [&](const QByteArray& name) {
      if (mover.look(name) != BatchMover::Look::Writing) {
        return;
      }
      result_.inUse.push_back(name);
      if (request_.leaveIfInUse.count(name) != 0) {
        mover.leave(name, inUseReason);
      } else if (holdingBack.isEmpty()) {
        holdingBack = name;
      }
    };
    for (const QByteArray& name : request_.names) {
      if (request_.lastInUse.count(name) != 0) {
        lookAt(name);
      }
    }
    for (auto name = request_.names.begin(); holdingBack.isEmpty() && name != request_.names.end();
         ++name) {
      if (request_.lastInUse.count(*name) == 0) {
        lookAt(*name);
      }
    }
    if (!holdingBack.isEmpty()) {
      mover.forget();
      return result_.fail(SaveFailure::InUse,
                          request_.watchedFolder + QLatin1Char('/') + displayName(holdingBack),
                          inUseReason);
    }
    return true;
  }

  bool createFolder() {
    const int error = ops_.makeFolder(base_.get(), batchName_.constData());
    if (error == EEXIST) {
      return result_.fail(SaveFailure::FolderExists, result_.batchFolder,
                          QStringLiteral("ya existe un directorio con ese nombre"));
    }
    if (error != 0) {
      return result_.fail(SaveFailure::Other, result_.batchFolder,
                          QStringLiteral("no se pudo crear el directorio: ") + errnoText(error));
    }
    // Locked while the save runs, so that no recovery takes it for a crashed one.
    int failure =
        ops_.openAt(base_.get(), batchName_.constData(), openflags::untrustedFolder, batch_);
    if (failure == 0 && fstat(batch_.get(), &batchInfo_) != 0) {
      failure = errno;
    }
    if (failure == 0) {
      failure = lockWithoutWaiting(batch_.get());
    }
    if (failure != 0) {
      ops_.removeFolder(base_.get(), batchName_.constData());
      return result_.fail(SaveFailure::Other, result_.batchFolder, errnoText(failure));
    }
    result_.batchDevice = batchInfo_.st_dev;
    result_.batchInode = batchInfo_.st_ino;
    return true;
  }

  SaveResult finished(BatchMover& mover) {
    result_.removed = std::move(mover.removed());
    result_.watched = std::move(mover.lateWritesFolder());
    return std::move(result_);
  }

  const SaveRequest& request_;
  FileOps& ops_;
  const MoveEnv& env_;
  SaveResult result_;
  QByteArray batchName_;
  UniqueFd watched_;
  UniqueFd base_;
  UniqueFd batch_;
  MoveFolder watchedEnd_;
  struct stat batchInfo_ {};
};

}  // namespace

QString batchFolderPath(const QString& base, const QString& prefix, const QDateTime& moment) {
  return base + QLatin1Char('/') + prefix + marcaLote(moment);
}

SaveResult saveBatch(const SaveRequest& request, const MoveEnv& env) {
  return Save(request, env).run();
}
