// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/FileIdentity.h"
#include "fs/UniqueFd.h"
#include "monitor/BatchJournal.h"
#include "monitor/BatchSave.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <memory>
#include <vector>

class FileOps;

// "no se pudo escribir en el disco: " and why.
QString diskError(int error);

// One file on its way from the watched folder into the batch folder.
struct TakenFile {
  enum class Stage { Checked, Moved, Claimed, Copied, Published, Done, Left };
  QByteArray name;
  QByteArray claim;
  QByteArray temporary;
  QByteArray target;  // its name where it goes: its own, but for a kept name on a return
  FileIdentity identity;
  ino_t copyInode = 0;
  mode_t mode = 0;
  Stage stage = Stage::Checked;
  bool unseen = false;  // free by the quiet rule alone
};

// The steps of one batch save, shared by its two ways of moving files: renaming them within
// one file system, or copying them to another and removing the originals. A return takes the
// same steps the other way, from an existing batch folder back to the watched folder.
class BatchRun {
public:
  BatchRun(const SaveRequest& request, const SaveEnv& env, bool returning = false);
  SaveResult run();
  // The listed files of the batch folder back to the watched folder.
  SaveResult runReturn(const QString& batchFolder);

private:
  bool fail(SaveFailure failure, const QString& concerned, const QString& reason);
  QString sourcePath(const QByteArray& name) const;
  void leave(TakenFile& file, const QString& reason);
  // A claimed file goes back to the watched folder, under its name if still free, and waits;
  // one that cannot stays hidden, and its journal with it, for the next recovery.
  void giveBack(TakenFile& file, const QString& reason);
  // The claim's own name back, or a kept one; false, and the save's journal kept, when neither.
  bool returnClaim(TakenFile& file);
  // A step that failed for one file alone leaves that file; false when the folder as a whole
  // failed, which fails the batch.
  bool leaveOnFileError(TakenFile& file, int error, const QString& what);
  void advance();
  // True, and failed, once the program was told to end.
  bool stopped();

  // Where files come from and where they go: the watched folder and the batch, or the reverse.
  int source() const { return returning_ ? batch_.get() : watched_.get(); }
  int target() const { return returning_ ? watched_.get() : batch_.get(); }
  void done(TakenFile& file);
  bool openBatch();
  void checkReturning();
  void planTargets();
  void listStayed();

  bool checkTarget();
  bool openFolders();
  bool checkSources();
  void checkOne(const QByteArray& name, QByteArray& holdingBack);
  bool createFolder();
  bool writeJournal(BatchJournal::Mode mode);
  int writeWhole(int folder, const QByteArray& draft, const QByteArray& name,
                 const QByteArray& text, UniqueFd& fd);
  int flushBoth();
  void finish();
  void removeJournalAndFolder();
  void removeOwnFolder();

  enum class MoveOutcome { Done, Failed, Unsupported };
  MoveOutcome moveAll();
  void undoMoves();

  bool copyAll();
  bool claimAll();
  bool copyOne(TakenFile& file);
  bool flushCopies();
  bool publishCopies();
  bool batchStillReachable();
  UniqueFd reopenTarget();
  void deleteClaimed();
  void keepWatching(const TakenFile& file, UniqueFd held);
  void undoCopies();

  const SaveRequest& request_;
  FileOps& ops_;
  const InUseCheck& check_;
  std::atomic<int>* progress_;
  const std::atomic<bool>* stop_;
  const bool returning_;
  SaveResult result_;
  QByteArray batchName_;
  UniqueFd watched_;
  UniqueFd base_;
  UniqueFd batch_;  // locked while the save runs, so that no recovery takes it for a crashed one
  UniqueFd index_;  // locked likewise
  QByteArray tag_;
  bool hidden_ = false;  // a claimed file could not be given its name back
  struct stat watchedInfo_ {};
  struct stat batchInfo_ {};
  std::vector<TakenFile> taken_;
};
