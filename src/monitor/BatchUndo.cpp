// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchUndo.h"

#include "fs/Claim.h"
#include "fs/ErrnoText.h"
#include "fs/FileOps.h"
#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "monitor/BatchJournal.h"
#include "monitor/BatchMover.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <set>

namespace {

bool sameFolder(const struct stat& one, const struct stat& other) {
  return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// The batch folder, checked to be one this program made, and the watched folder.
class Undo {
public:
  Undo(const UndoRequest& request, const MoveEnv& env)
      : request_(request), ops_(env.ops ? *env.ops : realFileOps()), env_(env) {}

  UndoResult run() {
    result_.batchFolder = request_.batchFolder;
    if (!openWatched() || !openParent() || !openBatch()) {
      return std::move(result_);
    }
    BatchMover mover(direction(), env_, result_);
    for (const QByteArray& name : request_.names) {
      mover.look(name);
    }
    const bool moved = mover.move();
    result_.missing = mover.vanished();
    result_.renamed = mover.renamed();
    if (moved) {
      listStayed();
      if (result_.stayed.empty()) {
        mover.removeBatchFolder();
      }
    }
    return std::move(result_);
  }

private:
  bool fail(SaveFailure failure, const QString& reason) {
    return result_.fail(failure, request_.batchFolder, reason);
  }

  bool refuse() {
    return fail(SaveFailure::Other,
                QStringLiteral("no es un lote guardado por Varndel en el directorio de destino "
                               "ni en el de monitorización, y no se toca"));
  }

  bool openWatched() {
    return openWatchedEnd(ops_, request_.watchedFolder, watched_, watchedEnd_, result_);
  }

  // A batch lies directly in the save folder, or in the watched folder when the menu saved it.
  bool openParent() {
    const QFileInfo batch(request_.batchFolder);
    parentPath_ = batch.path();
    name_ = QFile::encodeName(batch.fileName());
    const int error = ops_.openAt(AT_FDCWD, QFile::encodeName(parentPath_).constData(),
                                  openflags::folder, parent_);
    struct stat parentInfo {};
    if (error == ENOENT || error == ENOTDIR) {
      return fail(SaveFailure::Other, QStringLiteral("el lote ya no existe"));
    }
    if (error != 0 || fstat(parent_.get(), &parentInfo) != 0) {
      return fail(SaveFailure::Other, errnoText(error != 0 ? error : errno));
    }
    UniqueFd save;
    struct stat saveInfo {};
    const bool inSaveFolder =
        !request_.saveFolder.isEmpty() &&
        ops_.openAt(AT_FDCWD, QFile::encodeName(request_.saveFolder).constData(), openflags::folder,
                    save) == 0 &&
        fstat(save.get(), &saveInfo) == 0 && sameFolder(parentInfo, saveInfo);
    return inSaveFolder || sameFolder(parentInfo, watchedEnd_.info) || refuse();
  }

  // Owned by the user, closed to others' writes, not the watched folder itself, and the very
  // folder the save made; locked like a save's, so that a recovery or another undo passes it
  // over.
  bool openBatch() {
    if (!isSingleComponent(name_) || name_ == "." || name_ == "..") {
      return refuse();
    }
    int error = ops_.openAt(parent_.get(), name_.constData(), openflags::untrustedFolder, batch_);
    if (error == ENOENT) {
      return fail(SaveFailure::Other, QStringLiteral("el lote ya no existe"));
    }
    if (error == ENOTDIR || error == ELOOP) {
      return refuse();
    }
    if (error == 0 && fstat(batch_.get(), &batchInfo_) != 0) {
      error = errno;
    }
    if (error != 0) {
      return fail(SaveFailure::Other, errnoText(error));
    }
    const bool recorded = request_.batchDevice != 0 || request_.batchInode != 0;
    if (batchInfo_.st_uid != geteuid() || (batchInfo_.st_mode & S_IWOTH) != 0 ||
        sameFolder(batchInfo_, watchedEnd_.info) ||
        (recorded &&
         (batchInfo_.st_dev != request_.batchDevice || batchInfo_.st_ino != request_.batchInode))) {
      return refuse();
    }
    error = lockWithoutWaiting(batch_.get());
    if (error == EWOULDBLOCK) {
      return fail(SaveFailure::InUse, QStringLiteral("el lote se está guardando o devolviendo"));
    }
    return error == 0 || fail(SaveFailure::Other, errnoText(error));
  }

  MoveDirection direction() const {
    MoveFolder batch;
    batch.role = MoveFolder::Role::Batch;
    batch.fd = batch_.get();
    batch.info = batchInfo_;
    batch.path = request_.batchFolder;
    batch.word = QStringLiteral("lote");
    batch.parentPath = parentPath_;
    batch.name = name_;
    batch.parentFd = parent_.get();
    return {std::move(batch),
            watchedEnd_,
            BatchJournal::Mode::ReturnMove,
            BatchJournal::Mode::ReturnCopy,
            NameClash::KeepBoth,
            {},
            FileCheck::Readable};
  }

  // What else the batch folder holds keeps it: files added after the save are not ours to move.
  void listStayed() {
    std::set<QByteArray> told{journalName, journalDraftName};
    for (const LeftFile& file : result_.left) {
      told.insert(file.name);
    }
    for (const auto& entry : entriesOf(batch_.get())) {
      if (told.count(entry.first) == 0) {
        result_.stayed.push_back(entry.first);
      }
    }
  }

  const UndoRequest& request_;
  FileOps& ops_;
  const MoveEnv& env_;
  UndoResult result_;
  QString parentPath_;
  QByteArray name_;
  UniqueFd watched_;
  UniqueFd parent_;
  UniqueFd batch_;
  MoveFolder watchedEnd_;
  struct stat batchInfo_ {};
};

}  // namespace

UndoResult undoBatch(const UndoRequest& request, const MoveEnv& env) {
  return Undo(request, env).run();
}
