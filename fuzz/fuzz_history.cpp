// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchHistory.h"

#include <sys/mman.h>
#include <unistd.h>
#include <cstddef>
#include <cstdint>

namespace {

BatchHistory readBytes(const uint8_t* data, size_t size, std::size_t readSize) {
  const int fd = memfd_create("history", MFD_CLOEXEC);
  if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) {
    __builtin_trap();
  }
  BatchHistory history = BatchHistory::read(fd, readSize);
  close(fd);
  return history;
}

bool same(const BatchHistory& a, const BatchHistory& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (qsizetype i = 0; i < a.size(); ++i) {
    const HistoryRecord x = a.record(i);
    const HistoryRecord y = b.record(i);
    if (x.names != y.names || x.folder != y.folder || x.seconds != y.seconds ||
        x.device != y.device || x.inode != y.inode || a.undone(i) != b.undone(i)) {
      return false;
    }
  }
  return true;
}

}  // namespace

// The history of saved batches is read back from disk, where a crash, another program or the
// user may have left anything. Whatever it keeps must hold as many names as it counts, must not
// depend on how the file was cut into reads, and must read back the same once written out again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) {
    return 0;
  }
  const BatchHistory history = readBytes(data + 1, size - 1, BatchHistory::chunk);
  if (!same(history, readBytes(data + 1, size - 1, 1 + data[0] % 32))) {
    __builtin_trap();
  }
  QByteArray again = historyHeader();
  for (qsizetype i = history.size() - 1; i >= 0; --i) {
    const HistoryRecord record = history.record(i);
    if (static_cast<int>(record.names.size()) != history.files(i) || record.names.empty()) {
      __builtin_trap();
    }
    again += batchLine(record).text + '\n';
    if (history.undone(i) >= 0) {
      again += undoneLine(record, history.undone(i)).text + '\n';
    }
  }
  const BatchHistory reread =
      readBytes(reinterpret_cast<const uint8_t*>(again.constData()), again.size(), 64);
  if (!same(history, reread)) {
    __builtin_trap();
  }
  return 0;
}
