// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BatchRecovery.h"
#include "monitor/BatchSave.h"
#include "monitor/BatchUndo.h"
#include "monitor/LateWrites.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>
#include <variant>

// Runs one batch save or one undo at a time on a thread of its own, so that the window keeps
// answering, and hands its result back on the thread that started it. Before each it puts
// right any save or undo that a crash cut short.
class SaveWorker : public QObject {
  Q_OBJECT
public:
  // Where a recovery looks, besides the watched folder: the save folder, or the undone batch's.
  struct Places {
    QString watchedFolder;
    QString recoveryFolder;
    std::shared_ptr<FileOps> ops;
  };

  SaveWorker();
  ~SaveWorker() override;

  void save(SaveRequest request, Places places, InUseCheck inUse);
  void undo(UndoRequest request, Places places);
  bool running() const { return pending_; }
  int done() const { return progress_.load(std::memory_order_relaxed); }
  int total() const { return total_; }
  // Waits for the running save or undo to end and hands its result over now.
  void finish();
  // The running move stops at its next file and rolls back, as after a failure.
  void stop() { stop_ = true; }

signals:
  void finished(const SaveResult& result, const RecoveryReport& recovery);
  void undone(const UndoResult& result, const RecoveryReport& recovery);
  // Content added to an original after its save went back to the watched folder.
  void lateContentRestored(const std::vector<LeftFile>& files);

private:
  using Job = std::variant<SaveRequest, UndoRequest>;
  void start(Job job, Places places, InUseCheck inUse, std::size_t total);
  void deliver();
  void checkLateWrites();
  FileOps& ops() const;

  Job job_;
  Places places_;
  InUseCheck inUse_;
  std::thread thread_;
  std::atomic<int> progress_{0};
  std::atomic<bool> stop_{false};
  int total_ = 0;
  bool pending_ = false;
  unsigned generation_ = 0;
  std::variant<SaveResult, UndoResult> result_;
  RecoveryReport recovery_;
  RefusedJournals refused_;  // the save thread's alone
  LateWrites lateWrites_;
  QTimer lateTimer_;
};
