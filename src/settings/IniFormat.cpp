#include "settings/IniFormat.h"

#include "settings/TextEncoding.h"

#include <QByteArrayView>

#include <vector>

namespace ini {
namespace {

constexpr qsizetype maxValueBytes = 254;

struct Line {
  qsizetype begin;  // first byte of the text
  qsizetype end;    // one past the text, where its line ending starts
  qsizetype next;   // start of the following line
};

struct Location {
  std::optional<std::size_t> section;
  std::optional<std::size_t> key;
  std::size_t lastLine = 0;  // last non-blank line of the section
};

// How the file spells its texts: UTF-8, or Windows-1252 for a file that is not valid UTF-8.
struct Encoding {
  bool utf8;
  QByteArray encode(const QString& text) const {
    return utf8 ? text.toUtf8() : encodeWindows1252(text);
  }
  QString decode(const QByteArray& bytes) const {
    return utf8 ? QString::fromUtf8(bytes) : decodeWindows1252(bytes);
  }
};

std::vector<Line> splitLines(const QByteArray& content) {
  std::vector<Line> lines;
  qsizetype pos = content.startsWith("\xEF\xBB\xBF") ? 3 : 0;
  while (pos < content.size()) {
    qsizetype end = pos;
    while (end < content.size() && content[end] != '\r' && content[end] != '\n') {
      ++end;
    }
    qsizetype next = end;
    if (next < content.size()) {
      next +=
          (content[next] == '\r' && next + 1 < content.size() && content[next + 1] == '\n') ? 2 : 1;
    }
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text) {
  while (!text.isEmpty() && isBlank(text.front())) {
    text = text.sliced(1);
  }
  while (!text.isEmpty() && isBlank(text.back())) {
    text.chop(1);
  }
  return text;
}

char foldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(QByteArrayView a, QByteArrayView b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::optional<QByteArrayView> sectionName(QByteArrayView line) {
  const qsizetype close = line.lastIndexOf(']');
  if (!line.startsWith('[') || close < 0) {
    return std::nullopt;
  }
  return trimmed(line.sliced(1, close - 1));
}

QByteArrayView keyName(QByteArrayView line) {
  const qsizetype equals = line.indexOf('=');
  return trimmed(equals < 0 ? line : line.first(equals));
}

QByteArrayView keyValue(QByteArrayView line) {
  const qsizetype equals = line.indexOf('=');
  return equals < 0 ? QByteArrayView() : trimmed(line.sliced(equals + 1));
}

QByteArrayView unquoted(QByteArrayView value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.sliced(1, value.size() - 2);
  }
  return value;
}

QByteArrayView cut(QByteArrayView value, bool utf8) {
  if (value.size() <= maxValueBytes) {
    return value;
  }
  qsizetype size = maxValueBytes;
  // Never end inside a UTF-8 character: back off to the start of the one that was cut.
  while (utf8 && size > 0 && (static_cast<unsigned char>(value[size]) & 0xC0) == 0x80) {
    --size;
  }
  return value.first(size);
}

QByteArrayView text(const QByteArray& content, const Line& line) {
  return QByteArrayView(content).sliced(line.begin, line.end - line.begin);
}

Location locate(const QByteArray& content, const std::vector<Line>& lines, QByteArrayView section,
                QByteArrayView key) {
  Location found;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const QByteArrayView line = trimmed(text(content, lines[i]));
    if (line.isEmpty()) {
      continue;
    }
    if (const auto name = sectionName(line)) {
      if (found.section) {
        break;  // only the first section of a name counts
      }
      if (sameName(*name, section)) {
        found.section = i;
        found.lastLine = i;
      }
      continue;
    }
    if (found.section) {
      found.lastLine = i;
      if (!found.key && sameName(keyName(line), key)) {
        found.key = i;
      }
    }
  }
  return found;
}

QByteArray lineEnding(const QByteArray& content, const std::vector<Line>& lines) {
  for (const Line& line : lines) {
    if (line.next > line.end) {
      return content.mid(line.end, line.next - line.end);
    }
  }
  return "\n";
}

}  // namespace

QString value(const QByteArray& content, const QString& section, const QString& key) {
  const Encoding encoding{isValidUtf8(content)};
  const std::vector<Line> lines = splitLines(content);
  const Location found = locate(content, lines, encoding.encode(section), encoding.encode(key));
  if (!found.key) {
    return {};
  }
  const QByteArrayView raw = unquoted(keyValue(trimmed(text(content, lines[*found.key]))));
  return encoding.decode(cut(raw, encoding.utf8).toByteArray());
}

std::optional<QByteArray> withValue(const QByteArray& content, const QString& section,
                                    const QString& key, const QString& value) {
  if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
      value.contains(QChar(u'\0'))) {
    return std::nullopt;
  }
  const Encoding encoding{isValidUtf8(content)};
  const std::vector<Line> lines = splitLines(content);
  const QByteArray sectionBytes = encoding.encode(section);
  const QByteArray keyBytes = encoding.encode(key);
  const QByteArray valueBytes = encoding.encode(value);
  const Location found = locate(content, lines, sectionBytes, keyBytes);
  const QByteArray newline = lineEnding(content, lines);
  QByteArray result = content;

  if (found.key) {
    const Line& line = lines[*found.key];
    const QByteArrayView old = text(content, line);
    const qsizetype equals = old.indexOf('=');
    const QByteArray head =
        equals < 0 ? trimmed(old).toByteArray() + '=' : old.first(equals + 1).toByteArray();
    result.replace(line.begin, line.end - line.begin, head + valueBytes);
  } else if (found.section) {
    const Line& last = lines[found.lastLine];
    const QByteArray entry = keyBytes + '=' + valueBytes;
    if (last.next == last.end) {
      result.insert(last.end, newline + entry);
    } else {
      result.insert(last.next, entry + newline);
    }
  } else {
    if (!result.isEmpty() && !result.endsWith('\n') && !result.endsWith('\r')) {
      result += newline;
    }
    result += '[' + sectionBytes + ']' + newline + keyBytes + '=' + valueBytes + newline;
  }
  return result;
}

}  // namespace ini
