// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IniFormat.h"

#include "settings/TextEncoding.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace ini {
namespace {

constexpr qsizetype maxValueUnits = 254;

// Unchecked: UTF-8 or Windows-1252, which only a pass over the whole file tells apart. ASCII
// reads the same in both, so reading ASCII names and values is spared that pass.
enum class Encoding { Unchecked, Utf8, Windows1252, Utf16LE, Utf16BE };

// The encoding a file was found in, and where its text starts after its byte-order mark.
struct FoundEncoding {
  Encoding encoding;
  qsizetype start;
  bool writable;  // false when a write could leave the file in two encodings
};

// ASCII text in UTF-16 without a mark has a zero in one byte of each pair. A file that opens
// with a zero cannot be told either: written to, it would read back in another encoding.
bool looksLikeUtf16(const QByteArray& content) {
  return content.startsWith('\0') || (content.size() >= 2 && content[1] == '\0');
}

FoundEncoding encodingOf(const QByteArray& content) {
  const bool even = content.size() % 2 == 0;
  if (content.startsWith("\xFF\xFE")) {
    return {Encoding::Utf16LE, 2, even};
  }
  if (content.startsWith("\xFE\xFF")) {
    return {Encoding::Utf16BE, 2, even};
  }
  if (content.startsWith("\xEF\xBB\xBF")) {
    return {Encoding::Utf8, 3, true};
  }
  if (looksLikeUtf16(content)) {
    return {Encoding::Windows1252, 0, false};
  }
  return {Encoding::Unchecked, 0, true};
}

// Settles Unchecked, by a pass over the whole file, into UTF-8 or Windows-1252.
Encoding settled(const QByteArray& content, Encoding encoding) {
  if (encoding != Encoding::Unchecked) {
    return encoding;
  }
  return isValidUtf8(content) ? Encoding::Utf8 : Encoding::Windows1252;
}

// The text after the mark as code units: bytes, or UTF-16 units in the file's byte order.
template <int width, bool bigEndian>
struct Units {
  static constexpr int unitBytes = width;
  const unsigned char* data;
  qsizetype size;

  char16_t operator[](qsizetype i) const {
    if constexpr (width == 1) {
      return data[i];
    } else {
      return utf16Unit(data + 2 * i, bigEndian ? ByteOrder::Big : ByteOrder::Little);
    }
  }
};

template <class Action>
auto withText(const QByteArray& content, const FoundEncoding& form, Action action) {
  const auto* data = reinterpret_cast<const unsigned char*>(content.constData()) + form.start;
  const qsizetype bytes = content.size() - form.start;
  switch (form.encoding) {
    case Encoding::Utf16LE:
      return action(Units<2, false>{data, bytes / 2});
    case Encoding::Utf16BE:
      return action(Units<2, true>{data, bytes / 2});
    default:
      return action(Units<1, false>{data, bytes});
  }
}

// Sets of control characters and the space, as bits indexed by the character.
constexpr std::uint64_t bit(char16_t c) {
  return std::uint64_t{1} << c;
}
constexpr std::uint64_t blanks = bit(u' ') | bit(u'\t') | bit(u'\v') | bit(u'\f') | bit(0x1A);
constexpr std::uint64_t breaks = bit(u'\n') | bit(u'\r');

bool isIn(std::uint64_t set, char16_t c) {
  return c <= u' ' && (set >> c & 1) != 0;
}

bool isBlank(char16_t c) {
  return isIn(blanks, c);
}

bool isBreak(char16_t c) {
  return isIn(breaks, c);
}

char16_t foldAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

struct Span {
  qsizetype begin;
  qsizetype end;
  bool empty() const { return begin == end; }
};

struct Line {
  qsizetype begin;  // first unit of the text
  qsizetype end;    // one past the text, where its line ending starts
  qsizetype next;   // start of the following line
};

template <class Text>
Span trimmed(const Text& text, Span span) {
  while (span.begin < span.end && isBlank(text[span.begin])) {
    ++span.begin;
  }
  while (span.end > span.begin && isBlank(text[span.end - 1])) {
    --span.end;
  }
  return span;
}

template <class Text>
qsizetype find(const Text& text, Span span, char16_t c) {
  for (qsizetype i = span.begin; i < span.end; ++i) {
    if (text[i] == c) {
      return i;
    }
  }
  return -1;
}

template <class Text>
bool sameName(const Text& text, Span span, std::u16string_view name) {
  if (span.end - span.begin != static_cast<qsizetype>(name.size())) {
    return false;
  }
  for (qsizetype i = 0; i < span.end - span.begin; ++i) {
    if (foldAscii(text[span.begin + i]) != foldAscii(name[static_cast<std::size_t>(i)])) {
      return false;
    }
  }
  return true;
}

// The name of a header line, already trimmed: the text between "[" and the last "]".
template <class Text>
std::optional<Span> sectionName(const Text& text, Span line) {
  if (text[line.begin] != u'[') {
    return std::nullopt;
  }
  for (qsizetype close = line.end - 1; close > line.begin; --close) {
    if (text[close] == u']') {
      return trimmed(text, {line.begin + 1, close});
    }
  }
  return std::nullopt;
}

template <class Text>
Span keyName(const Text& text, Span line) {
  const qsizetype equals = find(text, line, u'=');
  return trimmed(text, {line.begin, equals < 0 ? line.end : equals});
}

// A value ends at a NUL, as the C string Windows copies it into does.
template <class Text>
Span keyValue(const Text& text, Span line) {
  const qsizetype equals = find(text, line, u'=');
  if (equals < 0) {
    return {line.end, line.end};
  }
  Span value{equals + 1, line.end};
  const qsizetype nul = find(text, value, u'\0');
  if (nul >= 0) {
    value.end = nul;
  }
  value = trimmed(text, value);
  if (value.end - value.begin >= 2 && (text[value.begin] == u'"' || text[value.begin] == u'\'') &&
      text[value.end - 1] == text[value.begin]) {
    return {value.begin + 1, value.end - 1};
  }
  return value;
}

struct Found {
  bool section = false;
  std::optional<Line> key;
  std::optional<Line> last;    // last non-blank line of the section, its header included
  std::optional<Line> ending;  // first line that has a line ending
};

// One pass that stops where the section ends, keeping no list of lines. An empty section
// name stands for the lines above the first header; a header "[]" starts a section that no
// name reaches. Only the first section of a name and the first key of a name count.
template <class Text>
Found locate(const Text& text, std::u16string_view section, std::u16string_view key) {
  Found found;
  found.section = section.empty();
  qsizetype pos = 0;
  while (pos < text.size) {
    // Blank lines carry nothing once the file's line ending is known.
    if (found.ending) {
      while (pos < text.size && isIn(blanks | breaks, text[pos])) {
        ++pos;
      }
    }
    qsizetype end = pos;
    while (end < text.size && !isBreak(text[end])) {
      ++end;
    }
    qsizetype next = end;
    if (next < text.size) {
      next += (text[next] == u'\r' && next + 1 < text.size && text[next + 1] == u'\n') ? 2 : 1;
    }
    const Line line{pos, end, next};
    pos = next;
    if (!found.ending && next > end) {
      found.ending = line;
    }
    const Span content = trimmed(text, {line.begin, line.end});
    if (content.empty()) {
      continue;
    }
    if (const auto name = sectionName(text, content)) {
      if (found.section) {
        break;
      }
      if (!section.empty() && sameName(text, *name, section)) {
        found.section = true;
        found.last = line;
      }
      continue;
    }
    if (found.section) {
      found.last = line;
      if (sameName(text, keyName(text, content), key)) {
        found.key = line;
        break;
      }
    }
  }
  return found;
}

// A name given to the calls, trimmed by the same rule as the names in the file.
QString trimmedName(const QString& name) {
  struct Units {
    const QString& text;
    char16_t operator[](qsizetype i) const { return text[i].unicode(); }
  };
  const Span span = trimmed(Units{name}, {0, name.size()});
  return name.sliced(span.begin, span.end - span.begin);
}

QByteArray encode(const QString& text, Encoding encoding) {
  switch (encoding) {
    case Encoding::Unchecked:
    case Encoding::Utf8:
      return text.toUtf8();
    case Encoding::Windows1252:
      return encodeWindows1252(text);
    case Encoding::Utf16LE:
      return encodeUtf16(text, ByteOrder::Little);
    case Encoding::Utf16BE:
      return encodeUtf16(text, ByteOrder::Big);
  }
  return {};
}

// A name as the units the file would spell it with.
std::u16string unitsOf(const QString& name, Encoding encoding) {
  if (encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE) {
    return name.toStdU16String();
  }
  const QByteArray bytes = encode(name, encoding);
  std::u16string units;
  units.reserve(static_cast<std::size_t>(bytes.size()));
  for (const char byte : bytes) {
    units.push_back(static_cast<unsigned char>(byte));
  }
  return units;
}

// Never ends inside a character: a UTF-8 sequence or a UTF-16 surrogate pair.
template <class Text>
Span cut(const Text& text, Span value, Encoding encoding) {
  if (value.end - value.begin <= maxValueUnits) {
    return value;
  }
  qsizetype end = value.begin + maxValueUnits;
  if (encoding == Encoding::Utf8) {
    while (end > value.begin && (text[end] & 0xC0) == 0x80) {
      --end;
    }
  } else if (Text::unitBytes == 2 && text[end] >= 0xDC00 && text[end] <= 0xDFFF) {
    --end;
  }
  return {value.begin, end};
}

template <class Text>
QString decode(const Text& text, Span span, Encoding encoding) {
  if constexpr (Text::unitBytes == 2) {
    return decodeUtf16(QByteArrayView(text.data + 2 * span.begin, 2 * (span.end - span.begin)),
                       encoding == Encoding::Utf16BE ? ByteOrder::Big : ByteOrder::Little);
  } else {
    const QByteArray bytes(reinterpret_cast<const char*>(text.data) + span.begin,
                           span.end - span.begin);
    return encoding == Encoding::Windows1252 ? decodeWindows1252(bytes) : QString::fromUtf8(bytes);
  }
}

bool isAscii(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

template <class Text>
bool isAscii(const Text& text, Span span) {
  for (qsizetype i = span.begin; i < span.end; ++i) {
    if (text[i] >= 0x80) {
      return false;
    }
  }
  return true;
}

bool breaksLine(const QString& text) {
  return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
         text.contains(QChar(u'\0'));
}

// One key written into content, in the form the file was found in.
void setValue(QByteArray& content, const FoundEncoding& form, const QString& section,
              const QString& key, const QString& value) {
  const auto offset = [&](qsizetype unit, int unitBytes) { return form.start + unit * unitBytes; };
  const auto encoded = [&](const QString& text) { return encode(text, form.encoding); };
  withText(content, form, [&](const auto& text) {
    const int unitBytes = std::decay_t<decltype(text)>::unitBytes;
    const Found found = locate(text, unitsOf(section, form.encoding), unitsOf(key, form.encoding));
    QByteArray newline = encoded(QStringLiteral("\n"));
    if (found.ending) {
      newline = content.sliced(offset(found.ending->end, unitBytes),
                               (found.ending->next - found.ending->end) * unitBytes);
    }
    const QByteArray entry = encoded(key + QLatin1Char('=') + value);

    if (found.key) {
      const Span line = trimmed(text, {found.key->begin, found.key->end});
      const qsizetype equals = find(text, line, u'=');
      const qsizetype from = equals < 0 ? line.end : equals + 1;
      const QByteArray written = encoded(equals < 0 ? QLatin1Char('=') + value : value);
      content.replace(offset(from, unitBytes), (found.key->end - from) * unitBytes, written);
    } else if (found.last && found.last->next == found.last->end) {
      content.insert(offset(found.last->end, unitBytes), newline + entry);
    } else if (found.last) {
      content.insert(offset(found.last->next, unitBytes), entry + newline);
    } else if (found.section) {
      content.insert(form.start, entry + newline);
    } else {
      if (text.size > 0 && !isBreak(text[text.size - 1])) {
        content += newline;
      }
      content += encoded(QLatin1Char('[') + section + QLatin1Char(']')) + newline + entry + newline;
    }
  });
}

}  // namespace

QString value(const QByteArray& content, const QString& section, const QString& key) {
  FoundEncoding form = encodingOf(content);
  const QString sectionName = trimmedName(section);
  const QString keyName = trimmedName(key);
  if (!isAscii(sectionName) || !isAscii(keyName)) {
    form.encoding = settled(content, form.encoding);
  }
  return withText(content, form, [&](const auto& text) {
    const Found found =
        locate(text, unitsOf(sectionName, form.encoding), unitsOf(keyName, form.encoding));
    if (!found.key) {
      return QString();
    }
    const Span raw = keyValue(text, trimmed(text, {found.key->begin, found.key->end}));
    const Encoding encoding = isAscii(text, raw) ? form.encoding : settled(content, form.encoding);
    return decode(text, cut(text, raw, encoding), encoding);
  });
}

// Settings text holds next to no control character but blanks and line breaks; random bytes
// hold one in ten, a file of zeros nothing else. More than one in twenty is not text.
bool isText(const QByteArray& content) {
  return withText(content, encodingOf(content), [](const auto& text) {
    const qsizetype size = std::min<qsizetype>(text.size, 4096);
    qsizetype strange = 0;
    for (qsizetype i = 0; i < size; ++i) {
      const char16_t c = text[i];
      strange += (c < u' ' && !isBlank(c) && !isBreak(c)) || c == 0x7F;
    }
    return strange * 20 <= size;
  });
}

Refusal setValues(QByteArray& content, const QString& section, const KeyValues& values) {
  if (breaksLine(section)) {
    return Refusal::LineBreak;
  }
  for (const auto& [key, value] : values) {
    if (breaksLine(key) || breaksLine(value)) {
      return Refusal::LineBreak;
    }
  }
  FoundEncoding form = encodingOf(content);
  if (!form.writable) {
    return Refusal::UnknownEncoding;
  }
  // Settled once: a write keeps the file in the encoding it was found in.
  form.encoding = settled(content, form.encoding);
  const QString sectionName = trimmedName(section);
  for (const auto& [key, value] : values) {
    setValue(content, form, sectionName, trimmedName(key), value);
  }
  return Refusal::None;
}

}  // namespace ini
