#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The INI syntax as the Windows profile functions read and write it. Pure functions on the
// file's bytes, so the file itself is read and written elsewhere.
namespace ini {

// The value of key in section: trimmed, unquoted, at most 254 bytes; "" when missing.
QString value(const QByteArray& content, const QString& section, const QString& key);

// The content with key set to value, every other line kept byte for byte. Nothing when the
// value would break the line structure (a line break or NUL in it).
std::optional<QByteArray> withValue(const QByteArray& content, const QString& section,
                                    const QString& key, const QString& value);

}  // namespace ini
