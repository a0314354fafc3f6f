// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/Claim.h"
#include "monitor/BatchJournal.h"

#include <cstddef>
#include <cstdint>

// A batch journal is read back from disk, where anyone with access to the folder may have
// written it: whatever parses must name only single entries of a folder, and must read back the
// same once written out again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const std::optional<BatchJournal> journal = parseJournal(text);
  if (!journal) {
    return 0;
  }
  if (!journal->work.isEmpty() && !isPrivateName(journal->work)) {
    __builtin_trap();
  }
  for (const JournalEntry& entry : journal->entries) {
    if (!isSingleComponent(entry.name)) {
      __builtin_trap();
    }
  }
  const std::optional<BatchJournal> again = parseJournal(formatJournal(*journal));
  if (!again || again->entries.size() != journal->entries.size()) {
    __builtin_trap();
  }
  return 0;
}
