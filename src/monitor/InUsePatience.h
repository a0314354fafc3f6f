#pragma once

#include "monitor/BatchSave.h"

#include <QByteArray>
#include <QDateTime>

#include <map>
#include <set>

// A file still being written holds its batch back, so that it goes with the files taken
// alongside it; one written for more than 30 s no longer does, and waits for a later batch.
class InUsePatience {
public:
  void record(const SaveResult& result, const QDateTime& now);
  std::set<QByteArray> overdue(const QDateTime& now) const;
  // The files found in use at the last save, looked at first by the next.
  std::set<QByteArray> lastInUse() const;

private:
  std::map<QByteArray, QDateTime> since_;  // only the files found in use at the last save
};
