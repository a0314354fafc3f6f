#pragma once

#include "monitor/BatchSave.h"

#include <QDateTime>
#include <QString>

// Decides which notice an automatic save deserves, so that the unattended watch neither stays
// silent about a failure nor repeats the same notice every tick. A failure that lasts is
// recalled once a minute, since a notice fades after a while.
class AutoSaveNotices {
public:
  // The notice to show for this save's result, or an empty text.
  QString noticeFor(const SaveResult& result, const QDateTime& now);

private:
  QString lastNotice_;
  QDateTime lastShown_;
  QString inUseFile_;
  QDateTime inUseSince_;
  bool inUseNamed_ = false;
};
