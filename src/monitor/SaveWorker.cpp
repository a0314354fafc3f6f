#include "monitor/SaveWorker.h"

#include <QMetaObject>

SaveWorker::~SaveWorker() {
  if (thread_.joinable()) {
    thread_.join();
  }
}

void SaveWorker::start(Job job) {
  finish();
  job_ = std::move(job);
  total_ = static_cast<int>(job_.request.names.size());
  progress_ = 0;
  pending_ = true;
  const unsigned generation = ++generation_;
  thread_ = std::thread([this, generation] {
    FileOps& ops = job_.ops ? *job_.ops : realFileOps();
    recovery_ = recoverInterruptedSaves(job_.saveFolder, job_.request.watchedFolder, ops);
    result_ = saveBatch(job_.request, {&ops, job_.inUse, &progress_});
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
  emit finished(result_, recovery_);
}
