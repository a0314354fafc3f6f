// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/WineRegistry.h"

#include "settings/TextEncoding.h"

#include <QFile>
#include <QStringList>

namespace {

constexpr int maxHexDigits = 4;
constexpr int maxOctalDigits = 3;

int hexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

bool isOctal(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('7');
}

bool isBlank(QChar c) {
  return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool onlyBlanksFrom(QStringView line, qsizetype pos) {
  for (; pos < line.size(); ++pos) {
    if (!isBlank(line[pos])) {
      return false;
    }
  }
  return true;
}

QChar controlEscape(QChar c) {
  switch (c.unicode()) {
    case u'a':
      return QChar(7);
    case u'b':
      return QChar(8);
    case u't':
      return QChar(9);
    case u'n':
      return QChar(10);
    case u'v':
      return QChar(11);
    case u'f':
      return QChar(12);
    case u'r':
      return QChar(13);
    case u'e':
      return QChar(27);
    default:
      return c;
  }
}

// Reads an escaped string from pos up to the unescaped terminator, leaving pos just past it.
std::optional<QString> readEscaped(QStringView line, qsizetype& pos, QChar terminator) {
  QString text;
  while (pos < line.size()) {
    const QChar c = line[pos++];
    if (c == terminator) {
      return text;
    }
    if (c != QLatin1Char('\\')) {
      text.append(c);
      continue;
    }
    if (pos >= line.size()) {
      return std::nullopt;
    }
    const QChar e = line[pos];
    if (e == QLatin1Char('x') && pos + 1 < line.size() && hexDigit(line[pos + 1]) >= 0) {
      ++pos;
      uint unit = 0;
      for (int n = 0; n < maxHexDigits && pos < line.size() && hexDigit(line[pos]) >= 0; ++n) {
        unit = unit * 16 + static_cast<uint>(hexDigit(line[pos++]));
      }
      text.append(QChar(static_cast<char16_t>(unit)));
    } else if (isOctal(e)) {
      uint unit = 0;
      for (int n = 0; n < maxOctalDigits && pos < line.size() && isOctal(line[pos]); ++n) {
        unit = unit * 8 + static_cast<uint>(line[pos++].unicode() - u'0');
      }
      text.append(QChar(static_cast<char16_t>(unit)));
    } else {
      text.append(controlEscape(e));
      ++pos;
    }
  }
  return std::nullopt;
}

QByteArray utf16WithNul(const QString& text) {
  return encodeUtf16(text + QChar(0), ByteOrder::Little);
}

// Reads "N)" of "hex(N)" or "str(N)": a type code in hex.
std::optional<quint32> readTypeCode(QStringView line, qsizetype& pos) {
  quint64 code = 0;
  const qsizetype start = pos;
  while (pos < line.size() && hexDigit(line[pos]) >= 0) {
    code = code * 16 + static_cast<quint64>(hexDigit(line[pos++]));
    if (code > 0xffffffffu) {
      return std::nullopt;
    }
  }
  if (pos == start || pos >= line.size() || line[pos] != QLatin1Char(')')) {
    return std::nullopt;
  }
  ++pos;
  return static_cast<quint32>(code);
}

}  // namespace

QString normalizedKeyPath(const QString& path) {
  return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\')).toCaseFolded();
}

// Reads the file line by line; a value line belongs to the key block above it.
class HiveParser {
public:
  explicit HiveParser(const QString& text) : lines_(text.split(QLatin1Char('\n'))) {}

  std::optional<RegistryHive> run() {
    if (lines_.isEmpty() || !lineAt(0).startsWith(QLatin1String("WINE REGISTRY Version "))) {
      return std::nullopt;
    }
    for (index_ = 1; index_ < lines_.size(); ++index_) {
      if (!readLine(lineAt(index_))) {
        return std::nullopt;
      }
    }
    return std::move(hive_);
  }

private:
  QString lineAt(qsizetype i) const {
    QString line = lines_[i];
    if (line.endsWith(QLatin1Char('\r'))) {
      line.chop(1);
    }
    return line;
  }

  bool readLine(const QString& raw) {
    const QString line = raw.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) {
      return true;
    }
    if (line.startsWith(QLatin1Char('['))) {
      return readKeyHeader(line);
    }
    return !currentKey_.isEmpty() && readValue(line);
  }

  // [Software\\Vendor\\Product] 1600000000
  bool readKeyHeader(const QString& line) {
    qsizetype pos = 1;
    const auto name = readEscaped(line, pos, QLatin1Char(']'));
    if (!name) {
      return false;
    }
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    while (pos < line.size() && line[pos].isDigit()) ++pos;
    if (!onlyBlanksFrom(line, pos)) {
      return false;
    }
    const QString path = normalizedKeyPath(*name);
    if (path.isEmpty()) {
      return false;
    }
    currentKey_ = path;
    ensureKey(path);
    addAncestors(path);
    return true;
  }

  void ensureKey(const QString& path) {
    if (!hive_.keys_.contains(path)) {
      hive_.keys_.insert(path, {});
    }
  }

  void addAncestors(QString path) {
    for (qsizetype cut = path.lastIndexOf(QLatin1Char('\\')); cut > 0;
         cut = path.lastIndexOf(QLatin1Char('\\'))) {
      path.truncate(cut);
      ensureKey(path);
    }
  }

  bool readValue(const QString& line) {
    qsizetype pos = 0;
    QString name;
    if (line.startsWith(QLatin1Char('@'))) {
      pos = 1;
    } else if (line.startsWith(QLatin1Char('"'))) {
      pos = 1;
      const auto quoted = readEscaped(line, pos, QLatin1Char('"'));
      if (!quoted) {
        return false;
      }
      name = *quoted;
    } else {
      return false;
    }
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
      return false;
    }
    ++pos;
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    const auto value = readData(line, pos);
    if (!value) {
      return false;
    }
    hive_.keys_[currentKey_].insert(name.toCaseFolded(), *value);
    return true;
  }

  std::optional<RegistryValue> readData(const QString& line, qsizetype pos) {
    const QStringView rest = QStringView(line).mid(pos);
    if (rest.startsWith(QLatin1Char('"'))) {
      return readString(line, pos + 1, regtype::sz);
    }
    if (rest.startsWith(QLatin1String("str("))) {
      pos += 4;
      const auto type = readTypeCode(line, pos);
      if (!type || pos >= line.size() || line[pos] != QLatin1Char(':')) {
        return std::nullopt;
      }
      ++pos;
      if (pos >= line.size() || line[pos] != QLatin1Char('"')) {
        return std::nullopt;
      }
      return readString(line, pos + 1, *type);
    }
    if (rest.startsWith(QLatin1String("dword:"))) {
      return readDword(line, pos + 6);
    }
    if (rest.startsWith(QLatin1String("hex:"))) {
      return readHex(line, pos + 4, regtype::binary);
    }
    if (rest.startsWith(QLatin1String("hex("))) {
      pos += 4;
      const auto type = readTypeCode(line, pos);
      if (!type || pos >= line.size() || line[pos] != QLatin1Char(':')) {
        return std::nullopt;
      }
      return readHex(line, pos + 1, *type);
    }
    return std::nullopt;
  }

  static std::optional<RegistryValue> readString(const QString& line, qsizetype pos, quint32 type) {
    const auto text = readEscaped(line, pos, QLatin1Char('"'));
    if (!text || !onlyBlanksFrom(line, pos)) {
      return std::nullopt;
    }
    return RegistryValue{type, utf16WithNul(*text)};
  }

  static std::optional<RegistryValue> readDword(const QString& line, qsizetype pos) {
    quint32 number = 0;
    int digits = 0;
    for (; pos < line.size() && hexDigit(line[pos]) >= 0; ++pos, ++digits) {
      if (digits == 8) {
        return std::nullopt;
      }
      number = number * 16 + static_cast<quint32>(hexDigit(line[pos]));
    }
    if (digits == 0 || !onlyBlanksFrom(line, pos)) {
      return std::nullopt;
    }
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i) {
      data[i] = static_cast<char>((number >> (8 * i)) & 0xff);
    }
    return RegistryValue{regtype::dword, data};
  }

  // Bytes as "01,02,...", continued on the next line after a final backslash.
  std::optional<RegistryValue> readHex(QString line, qsizetype pos, quint32 type) {
    QByteArray data;
    bool needByte = false;  // after a comma another byte must follow
    for (;;) {
      while (pos < line.size() && isBlank(line[pos])) ++pos;
      if (pos >= line.size()) {
        break;
      }
      if (line[pos] == QLatin1Char('\\') && onlyBlanksFrom(line, pos + 1)) {
        if (++index_ >= lines_.size()) {
          return std::nullopt;
        }
        line = lineAt(index_);
        pos = 0;
        continue;
      }
      if (pos + 1 >= line.size() || hexDigit(line[pos]) < 0 || hexDigit(line[pos + 1]) < 0) {
        return std::nullopt;
      }
      data.append(static_cast<char>(hexDigit(line[pos]) * 16 + hexDigit(line[pos + 1])));
      pos += 2;
      needByte = false;
      while (pos < line.size() && isBlank(line[pos])) ++pos;
      if (pos < line.size() && line[pos] == QLatin1Char(',')) {
        ++pos;
        needByte = true;
      } else if (pos < line.size() && line[pos] != QLatin1Char('\\')) {
        return std::nullopt;
      }
    }
    if (needByte) {
      return std::nullopt;
    }
    return RegistryValue{type, data};
  }

  QStringList lines_;
  qsizetype index_ = 0;
  RegistryHive hive_;
  QString currentKey_;  // the key block being read
};

std::optional<RegistryHive> RegistryHive::parse(const QByteArray& content) {
  return HiveParser(QString::fromUtf8(content)).run();
}

std::optional<RegistryHive> RegistryHive::load(const QString& file) {
  QFile input(file);
  if (!input.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  return parse(input.readAll());
}

const RegistryValues* RegistryHive::key(const QString& path) const {
  const auto it = keys_.constFind(normalizedKeyPath(path));
  return it == keys_.constEnd() ? nullptr : &*it;
}
