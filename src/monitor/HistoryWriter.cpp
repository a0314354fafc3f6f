// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/HistoryWriter.h"

#include "fs/RecordFile.h"
#include "monitor/Messages.h"

#include <cerrno>

HistoryWriter::Outcome HistoryWriter::add(HistoryLine line) {
  if (place_.file.isEmpty()) {
    return {};
  }
  waiting_.push_back(std::move(line));
  return writeWaiting();
}

HistoryWriter::Outcome HistoryWriter::tick() {
  if (waiting_.empty()) {
    return {};
  }
  ++ticksWaited_;
  Outcome outcome = writeWaiting();
  if (!waiting_.empty() && ticksWaited_ >= patience) {
    waiting_.clear();
    outcome.notice = tell(EWOULDBLOCK);
  }
  return outcome;
}

// In their order, as far as the lock lets.
HistoryWriter::Outcome HistoryWriter::writeWaiting() {
  Outcome outcome;
  while (!waiting_.empty()) {
    const int error = BatchHistory::append(place_, waiting_.front());
    if (error == EWOULDBLOCK) {
      break;
    }
    waiting_.pop_front();
    ticksWaited_ = 0;
    if (error == 0) {
      outcome.written = true;
      told_ = false;
    } else if (const QString notice = tell(error); !notice.isEmpty()) {
      outcome.notice = notice;
    }
  }
  return outcome;
}

QString HistoryWriter::tell(int error) {
  if (told_) {
    return {};
  }
  told_ = true;
  return historyNotice(recordFileProblem(error), place_.file);
}
