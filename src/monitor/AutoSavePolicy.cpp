// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/AutoSavePolicy.h"

#include "monitor/Messages.h"

#include <vector>

namespace {
constexpr qint64 pauseSeconds = 30;
constexpr qint64 patienceSeconds = 30;
constexpr qint64 reminderSeconds = 60;
}  // namespace

AutoSavePolicy::Meaning AutoSavePolicy::meaningOf(const SaveResult& result) {
  switch (result.failure) {
    case SaveFailure::None:
      return Meaning::Saved;
    case SaveFailure::FolderExists:
      return Meaning::SameSecond;
    case SaveFailure::InUse:
      return Meaning::StillWritten;
    default:
      return Meaning::Failed;
  }
}

bool AutoSavePolicy::allows(std::size_t listSignature, const BatchPlace& place,
                            const QDateTime& now) const {
  return !waiting_ || listSignature != listSignature_ || !(place == place_) ||
         failedAt_.secsTo(now) >= pauseSeconds || now < failedAt_;
}

std::set<QByteArray> AutoSavePolicy::overdue(const QDateTime& now) const {
  std::set<QByteArray> names;
  for (const auto& [name, since] : inUseSince_) {
    if (since.secsTo(now) >= patienceSeconds) {
      names.insert(name);
    }
  }
  return names;
}

std::set<QByteArray> AutoSavePolicy::lastInUse() const {
  std::set<QByteArray> names;
  for (const auto& entry : inUseSince_) {
    names.insert(entry.first);
  }
  return names;
}

QString AutoSavePolicy::record(const SaveResult& result, bool automatic, std::size_t listSignature,
                               const BatchPlace& place, const QDateTime& now) {
  const Meaning meaning = meaningOf(result);
  if (meaning != Meaning::SameSecond) {
    rememberInUse(result, now);
  }
  if (!automatic) {
    return {};
  }
  // A save that took nothing, because every file was left and none for being written, would
  // leave them all again.
  const bool tookNothing = meaning == Meaning::Saved && result.moved == 0 && !result.left.empty() &&
                           result.inUse.empty();
  waiting_ = meaning == Meaning::Failed || tookNothing;
  listSignature_ = listSignature;
  place_ = place;
  failedAt_ = now;
  return noticeFor(meaning, result, now);
}

void AutoSavePolicy::rememberInUse(const SaveResult& result, const QDateTime& now) {
  std::map<QByteArray, QDateTime> still;
  for (const QByteArray& name : result.inUse) {
    const auto known = inUseSince_.find(name);
    still.emplace(name, known == inUseSince_.end() ? now : known->second);
  }
  inUseSince_.swap(still);
}

QString AutoSavePolicy::noticeFor(Meaning meaning, const SaveResult& result, const QDateTime& now) {
  if (meaning == Meaning::SameSecond || meaning == Meaning::StillWritten) {
    return {};
  }
  if (meaning == Meaning::Failed) {
    const QString notice = automaticFailureNotice(result);
    if (notice == lastFailure_ && lastFailureShown_.secsTo(now) < reminderSeconds) {
      return {};
    }
    lastFailure_ = notice;
    lastFailureShown_ = now;
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
