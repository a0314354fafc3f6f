// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

// Registry value types, with the codes Windows gives them.
namespace regtype {
inline constexpr quint32 sz = 1;
inline constexpr quint32 expandSz = 2;
inline constexpr quint32 binary = 3;
inline constexpr quint32 dword = 4;
inline constexpr quint32 multiSz = 7;
}  // namespace regtype

// A value as Windows holds it: strings in UTF-16LE with their terminating NUL, numbers in
// little-endian bytes.
struct RegistryValue {
  quint32 type = 0;
  QByteArray data;
};

// A key's values by case-folded name; the default value has the empty name.
using RegistryValues = QHash<QString, RegistryValue>;

// One hive as Wine keeps it in a text file (system.reg holds HKEY_LOCAL_MACHINE). Any line
// it cannot read makes the whole file unreadable, so a damaged file never answers half right.
class RegistryHive {
public:
  static std::optional<RegistryHive> parse(const QByteArray& content);
  static std::optional<RegistryHive> load(const QString& file);

  // The values of a key, path components separated by "\", any case; nullptr when missing.
  // Keys that only hold other keys are present too.
  const RegistryValues* key(const QString& path) const;

private:
  QHash<QString, RegistryValues> keys_;
  friend class HiveParser;
};

// Case-folded "\"-joined key path, without empty components.
QString normalizedKeyPath(const QString& path);
