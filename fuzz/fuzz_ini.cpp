// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IniFormat.h"

#include <cstddef>
#include <cstdint>

// Reads a key of any file, then writes one and reads it back: a written value must read as
// written (within the reader's 254-unit cut) and leave the other keys readable.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString section = QStringLiteral("CONFIGURACION");
  static_cast<void>(ini::value(content, section, QStringLiteral("Dir1")));
  const QString written = QStringLiteral("C:\\Fotos_ñ");
  if (ini::setValues(content, section, {{QStringLiteral("Pref"), written}}) == ini::Refusal::None) {
    if (ini::value(content, section, QStringLiteral("Pref")) != written) {
      __builtin_trap();
    }
  }
  return 0;
}
