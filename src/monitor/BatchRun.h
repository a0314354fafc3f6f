#pragma once

#include "fs/FileIdentity.h"
#include "fs/UniqueFd.h"
#include "monitor/BatchJournal.h"
#include "monitor/BatchSave.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <vector>

class FileOps;

// One file on its way from the watched folder into the batch folder.
struct TakenFile {
  enum class Stage { Checked, Moved, Claimed, Copied, Published, Done, Left };
  QByteArray name;
  QByteArray claim;
  QByteArray temporary;
  FileIdentity identity;
  mode_t mode = 0;
  Stage stage = Stage::Checked;
};

// The steps of one batch save, shared by its two ways of moving files: renaming them within
// one file system, or copying them to another and removing the originals.
class BatchRun {
public:
  BatchRun(const SaveRequest& request, const SaveEnv& env);
  SaveResult run();

private:
  bool fail(SaveFailure failure, const QString& concerned, const QString& reason);
  QString sourcePath(const QByteArray& name) const;
  void leave(TakenFile& file, const QString& reason);
  // A claimed file goes back to the watched folder, under its name if still free, and waits.
  void giveBack(TakenFile& file, const QString& reason);
  void advance();

  bool checkTarget();
  bool openFolders();
  bool checkSources();
  bool createFolder();
  bool writeJournal(BatchJournal::Mode mode);
  bool flushBoth();
  void finish();
  void removeJournalAndFolder();

  enum class MoveOutcome { Done, Failed, Unsupported };
  MoveOutcome moveAll();
  void undoMoves();

  bool copyAll();
  bool claimAll();
  bool copyOne(TakenFile& file);
  bool flushCopies();
  bool publishCopies();
  void deleteClaimed();
  void undoCopies();

  const SaveRequest& request_;
  FileOps& ops_;
  const InUseCheck& check_;
  std::atomic<int>* progress_;
  SaveResult result_;
  QByteArray batchName_;
  UniqueFd watched_;
  UniqueFd base_;
  UniqueFd batch_;
  struct stat watchedInfo_ {};
  struct stat batchInfo_ {};
  std::vector<TakenFile> taken_;
};
