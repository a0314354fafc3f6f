// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

// The INI syntax as the Windows profile functions read and write it. Pure functions on the
// file's bytes, so the file itself is read and written elsewhere. A file is UTF-16 (either
// byte order) after its byte-order mark, UTF-8, or Windows-1252 when it is not valid UTF-8.
namespace ini {

using KeyValues = std::vector<std::pair<QString, QString>>;

enum class Refusal {
  None,
  LineBreak,        // a name or value holds a line break or NUL
  UnknownEncoding,  // the file looks like UTF-16 without a mark, or is cut mid-unit
};

// The value of key in section: trimmed, unquoted, at most 254 units; "" when missing.
QString value(const QByteArray& content, const QString& section, const QString& key);

// Whether content is text at all: control characters other than blanks and line breaks are
// rare in it. A damaged or binary file is not, and is neither read as settings nor written
// over.
bool isText(const QByteArray& content);

// Sets each key of section in turn, as that many single writes would, keeping the file's
// encoding and every other line byte for byte. On a refusal the content is left as it was.
Refusal setValues(QByteArray& content, const QString& section, const KeyValues& values);

}  // namespace ini
