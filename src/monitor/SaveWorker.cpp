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
  return places_.ops ? *places_.ops : realFileOps();
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

void SaveWorker::save(SaveRequest request, Places places, InUseCheck inUse) {
  const std::size_t total = request.names.size();
  start(std::move(request), std::move(places), std::move(inUse), total);
}

void SaveWorker::undo(UndoRequest request, Places places) {
  const std::size_t total = request.names.size();
  start(std::move(request), std::move(places), {}, total);
}

void SaveWorker::start(Job job, Places places, InUseCheck inUse, std::size_t total) {
  finish();
  job_ = std::move(job);
  places_ = std::move(places);
  inUse_ = std::move(inUse);
  total_ = static_cast<int>(total);
  progress_ = 0;
  stop_ = false;
  pending_ = true;
  const unsigned generation = ++generation_;
  thread_ = std::thread([this, generation] {
    recovery_ =
        recoverInterruptedSaves(places_.recoveryFolder, places_.watchedFolder, ops(), &refused_);
    const MoveEnv env{&ops(), inUse_, &progress_, &stop_};
    if (const auto* request = std::get_if<SaveRequest>(&job_)) {
      result_ = saveBatch(*request, env);
    } else {
      result_ = undoBatch(std::get<UndoRequest>(job_), env);
    }
    // A result already handed over by finish() must not be taken for a later one's.
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
  if (auto* saved = std::get_if<SaveResult>(&result_)) {
    lateWrites_.adopt(*saved, LateWrites::Clock::now());
    if (!lateWrites_.empty() && !lateTimer_.isActive()) {
      lateTimer_.start();
    }
    emit finished(*saved, recovery_);
  } else {
    emit undone(std::get<UndoResult>(result_), recovery_);
  }
}
