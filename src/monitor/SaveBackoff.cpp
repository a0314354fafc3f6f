#include "monitor/SaveBackoff.h"

namespace {
constexpr qint64 pauseSeconds = 30;

// A save in the same second and a file still being written cost no copy: they are tried
// again at the next tick, so that a file is saved soon after its writer closes it.
bool worthWaiting(const SaveResult& result) {
  if (result.failure == SaveFailure::Other) {
    return true;
  }
  return result.ok() && result.moved == 0 && !result.left.empty() && result.inUse.empty();
}
}  // namespace

bool SaveBackoff::allows(std::size_t listSignature, const QString& settings,
                         const QDateTime& now) const {
  return !waiting_ || listSignature != listSignature_ || settings != settings_ ||
         failedAt_.secsTo(now) >= pauseSeconds || now < failedAt_;
}

void SaveBackoff::record(const SaveResult& result, std::size_t listSignature,
                         const QString& settings, const QDateTime& now) {
  waiting_ = worthWaiting(result);
  listSignature_ = listSignature;
  settings_ = settings;
  failedAt_ = now;
}
