// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/WineRegistry.h"

#include <QString>

#include <memory>
#include <variant>

// The original's registry entry points, standing on the English engine WineRegistry.

// What a lookup read: nothing, a REG_SZ text or a REG_DWORD number.
using RegistryResult = std::variant<std::monostate, QString, qint32>;

inline constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;

// Status codes of ConsultaValor, as the Windows registry calls give them.
namespace regstatus {
inline constexpr qint32 ok = 0;
inline constexpr qint32 fileNotFound = 2;
inline constexpr qint32 invalidHandle = 6;
inline constexpr qint32 moreData = 234;
inline constexpr qint32 otherType = -1;
}  // namespace regstatus

// An open key: the hive it was read from and its values. The null key stands for a key that
// could not be opened.
struct RegistryKey {
  std::shared_ptr<const RegistryHive> hive;
  const RegistryValues* values = nullptr;
};

// Opens a key of the registry file (a Wine prefix's system.reg) for reading. A path under
// "Software" is looked up in the 32-bit view first, where a 32-bit program's reads land on
// 64-bit Windows, then as given.
RegistryKey openRegistryKey(const QString& registryFile, quint32 hive, const QString& keyPath);

// Reads one value. Never writes, never reports a failure: every failure gives the empty result.
RegistryResult LeeValor(const QString& registryFile, quint32 hive, const QString& keyPath,
                        const QString& valueName);

// Reads one value of an open key into result, which is left as it was unless the read
// succeeds. Returns 0, a Windows error code, or -1 for a type other than REG_SZ and REG_DWORD.
qint32 ConsultaValor(const RegistryKey& key, const QString& valueName, RegistryResult& result);

// The result as the settings dialog shows it: "" for empty, the text, or the decimal number.
QString resultText(const RegistryResult& result);
