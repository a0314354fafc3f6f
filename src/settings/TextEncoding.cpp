// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TextEncoding.h"

#include <array>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F; its five unassigned codes map to the
// C1 controls of the same value.
constexpr std::array<char16_t, 32> high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t fromByte(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? high[byte - 0x80] : char16_t(byte);
}

}  // namespace

bool isValidUtf8(const QByteArray& bytes) {
  return QByteArrayView(bytes).isValidUtf8();
}

QString decodeWindows1252(const QByteArray& bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    text[i] = QChar(fromByte(static_cast<unsigned char>(bytes[i])));
  }
  return text;
}

QByteArray encodeWindows1252(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (const QChar ch : text) {
    char byte = '?';
    for (int code = 0; code < 256; ++code) {
      if (fromByte(static_cast<unsigned char>(code)) == ch.unicode()) {
        byte = static_cast<char>(code);
        break;
      }
    }
    bytes.append(byte);
  }
  return bytes;
}

char16_t utf16Unit(const unsigned char* bytes, ByteOrder order) {
  const unsigned first = bytes[0];
  const unsigned second = bytes[1];
  return static_cast<char16_t>(order == ByteOrder::Big ? first << 8 | second : second << 8 | first);
}

QString decodeUtf16(QByteArrayView bytes, ByteOrder order) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  QString text(bytes.size() / 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i) {
    text[i] = QChar(utf16Unit(data + 2 * i, order));
  }
  return text;
}

QByteArray encodeUtf16(const QString& text, ByteOrder order) {
  QByteArray bytes;
  bytes.reserve(text.size() * 2);
  for (const QChar ch : text) {
    const char high = static_cast<char>(ch.unicode() >> 8);
    const char low = static_cast<char>(ch.unicode() & 0xFF);
    bytes.append(order == ByteOrder::Big ? high : low);
    bytes.append(order == ByteOrder::Big ? low : high);
  }
  return bytes;
}
