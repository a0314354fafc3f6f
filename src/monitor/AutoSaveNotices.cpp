#include "monitor/AutoSaveNotices.h"

#include "monitor/SaveMessages.h"

namespace {
constexpr qint64 patienceSeconds = 30;
constexpr qint64 reminderSeconds = 60;
}  // namespace

QString AutoSaveNotices::noticeFor(const SaveResult& result, const QDateTime& now) {
  if (result.failure == SaveFailure::InUse) {
    if (result.concerned != inUseFile_) {
      inUseFile_ = result.concerned;
      inUseSince_ = now;
      inUseNamed_ = false;
    }
    if (inUseNamed_ || inUseSince_.secsTo(now) <= patienceSeconds) {
      return {};
    }
    inUseNamed_ = true;
    return stillInUseNotice(inUseFile_);
  }
  inUseFile_.clear();
  // Two saves in one second: the next tick falls in another second.
  if (result.failure == SaveFailure::FolderExists) {
    return {};
  }
  const QString notice = automaticSaveNotice(result);
  if (notice == lastNotice_ && lastShown_.secsTo(now) < reminderSeconds) {
    return {};
  }
  lastNotice_ = notice;
  lastShown_ = now;
  return notice;
}
