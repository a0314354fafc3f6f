// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchHistory.h"

#include <cstddef>
#include <cstdint>

// The history of saved batches is read back from disk, where a crash, another program or the
// user may have left anything: whatever it keeps must hold as many names as it counts, and must
// read back the same once written out again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const BatchHistory history = BatchHistory::parse(
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  QByteArray again = historyHeader();
  for (qsizetype i = history.size() - 1; i >= 0; --i) {
    const HistoryRecord record = history.record(i);
    if (static_cast<int>(record.names.size()) != history.files(i) || record.names.empty()) {
      __builtin_trap();
    }
    again += historyLine(record) + '\n';
  }
  const BatchHistory reread = BatchHistory::parse(again);
  if (reread.size() != history.size() || !reread.whole()) {
    __builtin_trap();
  }
  for (qsizetype i = 0; i < history.size(); ++i) {
    if (reread.record(i).names != history.record(i).names ||
        reread.folder(i) != history.folder(i) || reread.seconds(i) != history.seconds(i)) {
      __builtin_trap();
    }
  }
  return 0;
}
