#include "monitor/AutoSaveNotices.h"

#include "monitor/SaveMessages.h"

namespace {
constexpr qint64 reminderSeconds = 60;
}  // namespace

QString AutoSaveNotices::noticeFor(const SaveResult& result, const QDateTime& now) {
  // Two saves in one second, or a file still being written: the next tick tries again.
  if (result.failure == SaveFailure::FolderExists || result.failure == SaveFailure::InUse) {
    return {};
  }
  if (!result.ok()) {
    const QString notice = automaticFailureNotice(result);
    if (notice == lastFailure_ && lastShown_.secsTo(now) < reminderSeconds) {
      return {};
    }
    lastFailure_ = notice;
    lastShown_ = now;
    return notice;
  }
  lastFailure_.clear();
  std::vector<LeftFile> unnamed;
  std::set<QByteArray> stillLeft;
  for (const LeftFile& file : result.left) {
    stillLeft.insert(file.name);
    if (named_.count(file.name) == 0) {
      unnamed.push_back(file);
    }
  }
  named_.swap(stillLeft);
  return unnamed.empty() ? QString() : leftFilesNotice(result, unnamed);
}
