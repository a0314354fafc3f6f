// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/FileIdentity.h"
#include "fs/UniqueFd.h"
#include "fs/WorkFolder.h"
#include "monitor/BatchJournal.h"
#include "monitor/MoveDirection.h"
#include "monitor/MoveReport.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <memory>
#include <vector>

class FileOps;

// "no se pudo escribir en el disco: " and why.
QString diskError(int error);

// Opens the watched folder as one end of a move, shared with the programs that save from it;
// false, and the report told why, when it cannot be opened.
bool openWatchedEnd(FileOps& ops, const QString& path, UniqueFd& fd, MoveFolder& end,
                    MoveReport& report);

// One file on its way from the source folder into the target.
struct TakenFile {
  enum class Stage { Checked, Moved, Claimed, Copied, Published, Done, Left };
  QByteArray name;
  QByteArray claim;
  QByteArray temporary;
  QByteArray target;  // its name where it goes: its own, or a kept name when that was taken
  FileIdentity identity;
  ino_t copyInode = 0;
  mode_t mode = 0;
  Stage stage = Stage::Checked;
  bool unseen = false;  // free by the quiet rule alone
};

// The steps that a save and an undo share, whichever way the files go: within one file system
// each file is renamed; across two each is claimed, copied, flushed, published, and its original
// deleted only while it is still what was copied. A journal in the batch folder, and across file
// systems an index in the program's work folder inside the watched folder, let a recovery
// finish or roll back what a crash cut short. A failure rolls everything back.
class BatchMover {
public:
  BatchMover(MoveDirection direction, const MoveEnv& env, MoveReport& report);

  // The target made once the files to take are known: a save makes its batch only then.
  void setTarget(int fd, const struct stat& info);

  enum class Look { Taken, Left, Vanished, Writing };
  // Opens a file of the source to see whether it can be taken; one that cannot is left, with
  // why, unless it is still being written (then the caller decides).
  Look look(const QByteArray& name);
  // Forgets every file looked at, as when the batch is held back.
  void forget();
  bool anyTaken() const { return !taken_.empty(); }
  void leave(const QByteArray& name, const QString& reason);

  // Moves what was taken. False when the move failed and was rolled back.
  bool move();

  // Sets the failure; always false.
  bool fail(SaveFailure failure, const QString& concerned, const QString& reason);
  // Only while the path still leads to the batch folder this move made or took, and only when
  // it is empty.
  void removeBatchFolder();

  const std::vector<QByteArray>& vanished() const { return vanished_; }
  const std::vector<QByteArray>& renamed() const { return renamed_; }
  std::vector<RemovedOriginal>& removed() { return removed_; }
  std::shared_ptr<const UniqueFd>& lateWritesFolder() { return lateWritesFolder_; }
  // Whether the journal had to stay, a claimed file being hidden.
  bool journalKept() const { return hidden_; }

private:
  const MoveFolder& source() const { return direction_.source; }
  const MoveFolder& target() const { return direction_.target; }
  const MoveFolder& batch() const;
  const MoveFolder& watched() const;
  // Where a folder's working files go, as its direction says.
  int workOf(const MoveFolder& folder) const;
  int claims() const { return workOf(source()); }
  int drafts() const { return workOf(target()); }
  int flushWork(const MoveFolder& folder);
  QString sourcePath(const QByteArray& name) const;
  QString targetPath(const QByteArray& name) const;
  void leave(TakenFile& file, const QString& reason);
  void vanish(TakenFile& file);
  // A claimed file goes back under its name if still free, and waits; one that cannot stays
  // hidden, and its journal with it, for the next recovery.
  void giveBack(TakenFile& file, const QString& reason);
  // The claim's own name back, or a kept one; false, and the journal kept, when neither.
  bool returnClaim(TakenFile& file);
  // A step that failed for one file alone leaves that file; false when the folder as a whole
  // failed, which fails the move.
  bool leaveOnFileError(TakenFile& file, int error, const QString& what);
  void advance();
  // True, and failed, once the program was told to end.
  bool stopped();
  void done(TakenFile& file);

  bool writeJournal(BatchJournal::Mode mode);
  int writeWhole(int folder, const QByteArray& draft, const QByteArray& name,
                 const QByteArray& text, UniqueFd& fd);
  int flushWithParent(const MoveFolder& folder);
  void finish();
  void removeJournalAndFolder();

  enum class MoveOutcome { Done, Failed, Unsupported };
  MoveOutcome renameAll();
  int renameOne(TakenFile& file);
  void undoRenames();

  bool copyAll();
  bool openWorkFolder();
  void planTargets();
  bool claimAll();
  bool copyOne(TakenFile& file);
  bool flushCopies();
  bool publishCopies();
  bool targetStillReachable();
  UniqueFd reopen(const MoveFolder& folder);
  void deleteClaimed();
  void keepWatching(const TakenFile& file, UniqueFd held);
  void undoCopies();

  MoveDirection direction_;
  FileOps& ops_;
  const InUseCheck& check_;
  std::atomic<int>* progress_;
  const std::atomic<bool>* stop_;
  MoveReport& report_;
  WorkFolder work_;  // held while the move runs, so that no other copy removes it
  UniqueFd index_;   // locked while the move runs, so that no recovery takes it for a dead one
  QByteArray tag_;
  bool hidden_ = false;  // a claimed file could not be given its name back
  std::vector<TakenFile> taken_;
  std::vector<QByteArray> vanished_;
  std::vector<QByteArray> renamed_;
  std::vector<RemovedOriginal> removed_;
  std::shared_ptr<const UniqueFd> lateWritesFolder_;
};
