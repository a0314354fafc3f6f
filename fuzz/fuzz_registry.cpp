// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/WineRegistry.h"

#include <cstddef>
#include <cstdint>

// Any bytes must give a hive or nothing, never a crash; a hive read must answer lookups.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (const auto hive = RegistryHive::parse(content)) {
    if (const RegistryValues* values = hive->key(
            QStringLiteral("Software\\Microsoft\\Microsoft Games\\Train Simulator\\1.0"))) {
      static_cast<void>(values->value(QStringLiteral("path")));
    }
  }
  return 0;
}
