// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BatchRecovery.h"
#include "monitor/BatchSave.h"
#include "monitor/LateWrites.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

// Runs one batch save (or the undo of one) at a time on a thread of its own, so that the window
// keeps answering, and hands its result back on the thread that started it. Before each save it
// puts right any save that a crash cut short.
class SaveWorker : public QObject {
  Q_OBJECT
public:
  struct Job {
    SaveRequest request;
    QString saveFolder;  // looked through for interrupted saves, with the watched folder
    std::shared_ptr<FileOps> ops;
    InUseCheck inUse;
    std::optional<UndoRequest> undo;  // a saved batch taken back instead of a save
  };

  SaveWorker();
  ~SaveWorker() override;

  void start(Job job);
  bool running() const { return pending_; }
  int done() const { return progress_.load(std::memory_order_relaxed); }
  int total() const { return total_; }
  // Waits for the running save to end and hands its result over now.
  void finish();
  // The running save stops at its next file and rolls back, as after a failure.
  void stop() { stop_ = true; }

signals:
  void finished(const SaveResult& result, const RecoveryReport& recovery);
  void undone(const SaveResult& result, const RecoveryReport& recovery);
  // Content added to an original after its save went back to the watched folder.
  void lateContentRestored(const std::vector<LeftFile>& files);

private:
  void deliver();
  void checkLateWrites();
  FileOps& ops() const;

  Job job_;
  std::thread thread_;
  std::atomic<int> progress_{0};
  std::atomic<bool> stop_{false};
  int total_ = 0;
  bool pending_ = false;
  unsigned generation_ = 0;
  SaveResult result_;
  RecoveryReport recovery_;
  RefusedJournals refused_;  // the save thread's alone
  LateWrites lateWrites_;
  QTimer lateTimer_;
};
