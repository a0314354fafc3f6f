#include "monitor/InUsePatience.h"

namespace {
constexpr qint64 patienceSeconds = 30;
}

void InUsePatience::record(const SaveResult& result, const QDateTime& now) {
  if (result.failure == SaveFailure::FolderExists) {
    return;
  }
  std::map<QByteArray, QDateTime> still;
  for (const QByteArray& name : result.inUse) {
    const auto known = since_.find(name);
    still.emplace(name, known == since_.end() ? now : known->second);
  }
  since_.swap(still);
}

std::set<QByteArray> InUsePatience::overdue(const QDateTime& now) const {
  std::set<QByteArray> names;
  for (const auto& [name, since] : since_) {
    if (since.secsTo(now) >= patienceSeconds) {
      names.insert(name);
    }
  }
  return names;
}

std::set<QByteArray> InUsePatience::lastInUse() const {
  std::set<QByteArray> names;
  for (const auto& entry : since_) {
    names.insert(entry.first);
  }
  return names;
}
