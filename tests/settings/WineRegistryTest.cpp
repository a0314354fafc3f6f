// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/WineRegistry.h"

#include <gtest/gtest.h>

namespace {

QByteArray hiveText(const QByteArray& body) {
  return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n" + body;
}

std::optional<RegistryValue> valueOf(const QByteArray& body, const QString& key,
                                     const QString& name) {
  const auto hive = RegistryHive::parse(hiveText(body));
  if (!hive) {
    ADD_FAILURE() << "hive not read";
    return std::nullopt;
  }
  const RegistryValues* values = hive->key(key);
  if (!values || !values->contains(name.toCaseFolded())) {
    return std::nullopt;
  }
  return values->value(name.toCaseFolded());
}

QByteArray utf16(const char16_t* text) {
  QByteArray bytes;
  for (const char16_t* c = text;; ++c) {
    bytes.append(static_cast<char>(*c & 0xff));
    bytes.append(static_cast<char>(*c >> 8));
    if (*c == 0) {
      return bytes;
    }
  }
}

const QString key = QStringLiteral("Software\\Vendor\\Product");

}  // namespace

TEST(WineRegistry, StringFormsAndTheirTypes) {
  const QByteArray body =
      "[Software\\\\Vendor\\\\Product] 1600000000\n"
      "#time=1d6d5e0a4c4b6a2\n"
      "\"Plain\"=\"C:\\\\Juegos\\\\\"\n"
      "\"Expand\"=str(2):\"%SystemRoot%\\\\x\"\n"
      "\"Multi\"=str(7):\"a\\0b\\0\"\n"
      "@=\"por defecto\"\n";
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Plain"))->type, regtype::sz);
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Plain"))->data, utf16(u"C:\\Juegos\\"));
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Expand"))->type, regtype::expandSz);
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Expand"))->data, utf16(u"%SystemRoot%\\x"));
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Multi"))->type, regtype::multiSz);
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Multi"))->data,
            QByteArray("a\0\0\0b\0\0\0\0\0", 10));
  EXPECT_EQ(valueOf(body, key, QString())->data, utf16(u"por defecto"));
}

TEST(WineRegistry, EscapesDecodeToUtf16Units) {
  const QByteArray body =
      "[Software\\\\Vendor\\\\Product]\n"
      "\"Acentos\"=\"Simulaci\\xf3n \\x00e9t\\xe9\"\n"
      "\"Control\"=\"a\\tb\\nc\\\"d\\\\e\\qf\"\n"
      "\"Octal\"=\"\\101\\0\\1012\"\n"
      "\"SinHex\"=\"\\xzz\"\n"
      "\"Largo\"=\"\\x20ac1\"\n"
      "\"Utf8\"=\"ma\xc3\xb1"
      "ana\"\n";
  auto text = [&](const char* name) {
    const QByteArray data = valueOf(body, key, QString::fromLatin1(name))->data;
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(data.constData()),
                              data.size() / 2 - 1);
  };
  EXPECT_EQ(text("Acentos"), QStringLiteral("Simulación été"));
  EXPECT_EQ(text("Control"), QStringLiteral("a\tb\nc\"d\\eqf"));
  EXPECT_EQ(text("Octal"), QString::fromUtf16(u"A\0A2", 4));
  EXPECT_EQ(text("SinHex"), QStringLiteral("xzz"));
  EXPECT_EQ(text("Largo"), QStringLiteral("€1"));
  EXPECT_EQ(text("Utf8"), QStringLiteral("mañana"));
}

TEST(WineRegistry, NumbersAndBytesWithContinuation) {
  const QByteArray body =
      "[Software\\\\Vendor\\\\Product] 1\n"
      "\"Uno\"=dword:00000001\n"
      "\"Todo\"=dword:ffffffff\n"
      "\"Bin\"=hex:01,02,\\\n  0a,FF\n"
      "\"Vacio\"=hex:\n"
      "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n";
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Uno"))->data, QByteArray("\x01\0\0\0", 4));
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Todo"))->data, QByteArray(4, '\xff'));
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Todo"))->type, regtype::dword);
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Bin"))->type, regtype::binary);
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Bin"))->data, QByteArray("\x01\x02\x0a\xff", 4));
  EXPECT_TRUE(valueOf(body, key, QStringLiteral("Vacio"))->data.isEmpty());
  EXPECT_EQ(valueOf(body, key, QStringLiteral("Q"))->type, 0xbu);
}

TEST(WineRegistry, NamesCompareWithoutCaseAndParentsExist) {
  const QByteArray body =
      "[Software\\\\Vendor\\\\Product]\n\"Path\"=\"x\"\n"
      "[software\\\\vendor\\\\PRODUCT\\\\Sub]\n";
  const auto hive = RegistryHive::parse(hiveText(body));
  ASSERT_TRUE(hive);
  const RegistryValues* values = hive->key(QStringLiteral("SOFTWARE\\vendor\\product"));
  ASSERT_NE(values, nullptr);
  EXPECT_TRUE(values->contains(QStringLiteral("PATH").toCaseFolded()));
  EXPECT_NE(hive->key(QStringLiteral("Software\\Vendor")), nullptr);
  EXPECT_NE(hive->key(QStringLiteral("Software\\Vendor\\Product\\Sub")), nullptr);
  EXPECT_EQ(hive->key(QStringLiteral("Software\\Otro")), nullptr);
  EXPECT_EQ(hive->key(QStringLiteral("Software\\Vendor\\Prod")), nullptr);
}

TEST(WineRegistry, AnyMalformedLineMakesTheFileUnreadable) {
  const QByteArray good = "[Software\\\\Vendor\\\\Product]\n\"Path\"=\"x\"\n";
  ASSERT_TRUE(RegistryHive::parse(hiveText(good)));
  const char* broken[] = {
      "[Software\\\\Vendor\n",                   // unterminated key
      "[Software] basura\n",                     // trailing text on a header
      "[Software]\n\"Path\"=\"sin cierre\n",     // unterminated string
      "[Software]\n\"Path\"=\"x\" y\n",          // text after the string
      "[Software]\n\"Path\"=dword:123456789\n",  // nine digits
      "[Software]\n\"Path\"=dword:\n",           // no digits
      "[Software]\n\"Path\"=hex:1\n",            // half a byte
      "[Software]\n\"Path\"=hex:01,\n",          // dangling comma
      "[Software]\n\"Path\"=hex:01,\\\n",        // continuation at the end of the file
      "[Software]\n\"Path\"=hex(zz):01\n",       // bad type code
      "[Software]\n\"Path\"=str(2)\"x\"\n",      // missing colon
      "[Software]\n\"Path\"=otra:1\n",           // unknown form
      "[Software]\n\"Path\"\n",                  // no equals sign
      "[Software]\nbasura\n",                    // not a value line
      "[]\n",                                    // empty key
  };
  for (const char* body : broken) {
    EXPECT_FALSE(RegistryHive::parse(hiveText(good + body))) << body;
  }
  EXPECT_FALSE(RegistryHive::parse(hiveText("\"Path\"=\"antes de toda clave\"\n")));
  EXPECT_FALSE(RegistryHive::parse("\x89PNG\r\n\x1a\n garbage"));
  EXPECT_FALSE(RegistryHive::parse(QByteArray()));
}

TEST(WineRegistry, AcceptsWindowsLineEndsAndComments) {
  const QByteArray body =
      "[Software\\\\Vendor\\\\Product] 1600000000\r\n"
      ";; comentario\r\n"
      "#class=\"x\"\r\n"
      "\r\n"
      "\"Path\"=\"x\"\r\n";
  EXPECT_EQ(valueOf(body, key, QStringLiteral("path"))->data, utf16(u"x"));
}

TEST(WineRegistry, MissingFileIsUnreadable) {
  EXPECT_FALSE(RegistryHive::load(QStringLiteral("/no/existe/system.reg")));
}
