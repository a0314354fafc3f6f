#pragma once

#include "monitor/BatchSave.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <set>

// Decides which notice an automatic save deserves, so that the unattended watch neither stays
// silent about a failure or a file it left behind, nor repeats itself every tick. A failure
// that lasts is recalled once a minute, since a notice fades after a while; a file left
// behind is named once.
class AutoSaveNotices {
public:
  // The notice to show for this save's result, or an empty text.
  QString noticeFor(const SaveResult& result, const QDateTime& now);

private:
  QString lastFailure_;
  QDateTime lastShown_;
  std::set<QByteArray> named_;
};
