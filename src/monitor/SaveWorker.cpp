// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/SaveWorker.h"

#include <QMetaObject>

SaveWorker::SaveWorker() {
  lateTimer_.setInterval(1000);
  connect(&lateTimer_, &QTimer::timeout, this, &SaveWorker::checkLateWrites);
}

SaveWorker::~SaveWorker() {
  if (thread_.joinable()) {
    thread_.join();
  }
  lateWrites_.release(ops());
}

FileOps& SaveWorker::ops() const {
  return job_.ops ? *job_.ops : realFileOps();
}

void SaveWorker::checkLateWrites() {
  const std::vector<LeftFile> restored = lateWrites_.check(LateWrites::Clock::now(), ops());
  if (lateWrites_.empty()) {
    lateTimer_.stop();
  }
  if (!restored.empty()) {
    emit lateContentRestored(restored);
  }
}

void SaveWorker::start(Job job) {
  finish();
  job_ = std::move(job);
  total_ = static_cast<int>(job_.undo ? job_.undo->names.size() : job_.request.names.size());
  progress_ = 0;
  stop_ = false;
  pending_ = true;
  const unsigned generation = ++generation_;
  thread_ = std::thread([this, generation] {
    recovery_ =
        recoverInterruptedSaves(job_.saveFolder, job_.request.watchedFolder, ops(), &refused_);
    const SaveEnv env{&ops(), job_.inUse, &progress_, &stop_};
    result_ = job_.undo ? undoBatch(*job_.undo, env) : saveBatch(job_.request, env);
    // A result already handed over by finish() must not be taken for a later save's.
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
          if (generation == generation_) {
            deliver();
          }
        },
        Qt::QueuedConnection);
  });
}

void SaveWorker::finish() {
  deliver();
}

void SaveWorker::deliver() {
  if (!pending_) {
    return;
  }
  thread_.join();
  pending_ = false;
  lateWrites_.adopt(result_, LateWrites::Clock::now());
  if (!lateWrites_.empty() && !lateTimer_.isActive()) {
    lateTimer_.start();
  }
  if (job_.undo) {
    emit undone(result_, recovery_);
  } else {
    emit finished(result_, recovery_);
  }
}
