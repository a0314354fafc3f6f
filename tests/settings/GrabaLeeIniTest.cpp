// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/GrabaLeeIni.h"

#include "common/TestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>
#include <optional>

namespace {

const QString section = QStringLiteral("CONFIGURACION");

// Bytes of a literal, NULs included.
template <std::size_t size>
QByteArray bytes(const char (&text)[size]) {
  return QByteArray(text, size - 1);
}

// text in UTF-16 of the given byte order, with its byte-order mark unless told otherwise.
QByteArray utf16(const QString& text, bool bigEndian, bool mark = true) {
  QByteArray result = mark ? QByteArray(bigEndian ? "\xFE\xFF" : "\xFF\xFE") : QByteArray();
  for (const QChar ch : text) {
    const char high = static_cast<char>(ch.unicode() >> 8);
    const char low = static_cast<char>(ch.unicode() & 0xFF);
    result.append(bigEndian ? high : low).append(bigEndian ? low : high);
  }
  return result;
}

class IniFile : public ::testing::Test {
protected:
  QString file() const { return world.path(QStringLiteral("Config.ini")); }
  void write(const QByteArray& bytes) const {
    world.writeFile(QStringLiteral("Config.ini"), bytes);
  }
  QByteArray content() const { return world.readFile(QStringLiteral("Config.ini")); }
  QString read(const QString& key) const { return LeeIni(file(), section, key); }

  TestWorld world;
};

TEST_F(IniFile, MissingFileSectionOrKeyReadEmpty) {
  EXPECT_EQ(read(QStringLiteral("Dir1")), QString());
  write("[OTRA]\nDir1=x\n");
  EXPECT_EQ(read(QStringLiteral("Dir1")), QString());
  write("[CONFIGURACION]\nDir2=x\nExt=\n");
  EXPECT_EQ(read(QStringLiteral("Dir1")), QString());
  EXPECT_EQ(read(QStringLiteral("Ext")), QString());
}

TEST_F(IniFile, NamesIgnoreAsciiCaseAndLineEndingsVary) {
  write("[configuracion]\r\ndir1=/a\rPREF=b\nImagenes=5");
  EXPECT_EQ(read(QStringLiteral("Dir1")), QStringLiteral("/a"));
  EXPECT_EQ(read(QStringLiteral("Pref")), QStringLiteral("b"));
  EXPECT_EQ(read(QStringLiteral("Imagenes")), QStringLiteral("5"));
}

TEST_F(IniFile, ValuesAreTrimmedAndUnquoted) {
  write(
      "  [ CONFIGURACION ] trailing text\n"
      "\tPref =  Fotos_ \t\n"
      "Dir1=\"/con espacios/ \"\n"
      "Dir2='x'\n"
      "Ext=\"*.bmp'\n"
      "Vis=\"\n"
      "Imagenes=5 ; nota\n");
  EXPECT_EQ(read(QStringLiteral("Pref")), QStringLiteral("Fotos_"));
  EXPECT_EQ(read(QStringLiteral("Dir1")), QStringLiteral("/con espacios/ "));
  EXPECT_EQ(read(QStringLiteral("Dir2")), QStringLiteral("x"));
  EXPECT_EQ(read(QStringLiteral("Ext")), QStringLiteral("\"*.bmp'"));
  EXPECT_EQ(read(QStringLiteral("Vis")), QStringLiteral("\""));
  EXPECT_EQ(read(QStringLiteral("Imagenes")), QStringLiteral("5 ; nota"));
}

TEST_F(IniFile, CommentsAreKeysAndFirstOfANameWins) {
  write(
      "[CONFIGURACION]\n"
      ";Dir1=comentado\n"
      "Pref=\n"
      "Pref=segundo\n"
      "Vis\n"
      "[OTRA]\n"
      "Dir2=otra\n"
      "[Configuracion]\n"
      "Dir2=no cuenta\n");
  EXPECT_EQ(read(QStringLiteral(";Dir1")), QStringLiteral("comentado"));
  EXPECT_EQ(read(QStringLiteral("Dir1")), QString());
  EXPECT_EQ(read(QStringLiteral("Pref")), QString());
  EXPECT_EQ(read(QStringLiteral("Vis")), QString());
  EXPECT_EQ(read(QStringLiteral("Dir2")), QString());
}

TEST_F(IniFile, LongValuesAreCutAt254BytesOnACharacterBoundary) {
  for (const QByteArray character : {"", "\xC3\xB1", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
    for (int before = 250; before <= 254; ++before) {
      const QByteArray value = QByteArray(before, 'b') + character + QByteArray(9, 'c');
      // A character that would cross the cut is left out whole.
      const int kept = before + character.size() <= 254 ? 254 : before;
      EXPECT_EQ(ini::value("[CONFIGURACION]\nPref=" + value, section, QStringLiteral("Pref")),
                QString::fromUtf8(value.left(kept)))
          << before << " bytes before " << character.toHex().constData();
    }
  }
}

TEST_F(IniFile, ByteOrderMarkOfAnEditorDoesNotHideTheFirstSection) {
  write("\xEF\xBB\xBF[CONFIGURACION]\nPref=a\n");
  EXPECT_EQ(read(QStringLiteral("Pref")), QStringLiteral("a"));
  ASSERT_TRUE(GrabaIni(file(), section, QStringLiteral("Pref"), QStringLiteral("b")));
  EXPECT_EQ(content(), "\xEF\xBB\xBF[CONFIGURACION]\nPref=b\n");
}

TEST_F(IniFile, FileThatIsNotUtf8IsReadAsWindows1252) {
  write("[CONFIGURACION]\nDir1=C:\\Im\xE1genes \x80\n");
  EXPECT_EQ(read(QStringLiteral("Dir1")), QStringLiteral("C:\\Imágenes €"));
  write("[CONFIGURACION]\nDir1=/Imágenes\n");
  EXPECT_EQ(read(QStringLiteral("Dir1")), QStringLiteral("/Imágenes"));
}

TEST_F(IniFile, Windows1252RoundTripsEveryByteFrom0x80To0x9F) {
  QByteArray high;
  for (int byte = 0x80; byte <= 0x9F; ++byte) {
    high.append(static_cast<char>(byte));
  }
  write("[CONFIGURACION]\nDir1=" + high + "\n");
  const QString text = read(QStringLiteral("Dir1"));
  // Windows reads its five unassigned codes as the C1 controls of the same value.
  for (const int byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(text.mid(byte - 0x80, 1), QChar(byte));
  }
  EXPECT_EQ(text.front(), QStringLiteral("€"));
  EXPECT_EQ(text.back(), QStringLiteral("Ÿ"));
  ASSERT_TRUE(GrabaIni(file(), section, QStringLiteral("Dir2"), text));
  EXPECT_EQ(content(), "[CONFIGURACION]\nDir1=" + high + "\nDir2=" + high + "\n");
}

TEST_F(IniFile, WritingCreatesFileSectionAndKeysInOrder) {
  for (const char* key : {"Dir1", "Dir2", "Pref", "Imagenes", "Ext"}) {
    ASSERT_TRUE(GrabaIni(file(), section, QString::fromLatin1(key), QStringLiteral("v")));
  }
  EXPECT_EQ(content(), "[CONFIGURACION]\nDir1=v\nDir2=v\nPref=v\nImagenes=v\nExt=v\n");
}

TEST_F(IniFile, WritingKeepsEveryOtherLineByteForByte) {
  write(
      "; cabecera\r\n"
      "[OTRA]\r\n"
      "x=1\r\n"
      "\r\n"
      "[CONFIGURACION]\r\n"
      "dir1 = /viejo ; nota\r\n"
      "Vis=0x0\r\n"
      "\r\n"
      "[FIN]\r\n"
      "y=2");
  ASSERT_TRUE(GrabaIni(file(), section, QStringLiteral("Dir1"), QStringLiteral("/nuevo")));
  ASSERT_TRUE(GrabaIni(file(), section, QStringLiteral("Ext"), QStringLiteral(" *.png ")));
  EXPECT_EQ(content(),
            "; cabecera\r\n"
            "[OTRA]\r\n"
            "x=1\r\n"
            "\r\n"
            "[CONFIGURACION]\r\n"
            "dir1 =/nuevo\r\n"
            "Vis=0x0\r\n"
            "Ext= *.png \r\n"
            "\r\n"
            "[FIN]\r\n"
            "y=2");
  EXPECT_EQ(read(QStringLiteral("Ext")), QStringLiteral("*.png"));
}

TEST_F(IniFile, WritingAppendsMissingSectionAndKeyAfterUnterminatedLine) {
  write("[OTRA]\nx=1");
  ASSERT_TRUE(GrabaIni(file(), section, QStringLiteral("Pref"), QStringLiteral("Fotos_")));
  EXPECT_EQ(content(), "[OTRA]\nx=1\n[CONFIGURACION]\nPref=Fotos_\n");

  write("[CONFIGURACION]\nPref=a");
  ASSERT_TRUE(GrabaIni(file(), section, QStringLiteral("Ext"), QStringLiteral("*.*")));
  EXPECT_EQ(content(), "[CONFIGURACION]\nPref=a\nExt=*.*");
}

TEST_F(IniFile, WritingAWindowsFileKeepsItsEncoding) {
  write("[CONFIGURACION]\nDir1=Im\xE1genes\n");
  ASSERT_TRUE(GrabaIni(file(), section, QStringLiteral("Pref"), QStringLiteral("Año_")));
  EXPECT_EQ(content(), "[CONFIGURACION]\nDir1=Im\xE1genes\nPref=A\xF1o_\n");
  EXPECT_EQ(read(QStringLiteral("Pref")), QStringLiteral("Año_"));
}

TEST_F(IniFile, LineBreaksInAValueAreRefusedSoNoKeyCanBeSmuggledIn) {
  write("[CONFIGURACION]\nPref=a\n");
  EXPECT_FALSE(GrabaIni(file(), section, QStringLiteral("Pref"), QStringLiteral("x\nDir2=/")));
  EXPECT_EQ(content(), "[CONFIGURACION]\nPref=a\n");
}

TEST_F(IniFile, FailedWriteReturnsFalseAndLeavesNoDebris) {
  world.writeFile(QStringLiteral("plain"), "not a folder");
  const QString impossible = world.path(QStringLiteral("plain/Config.ini"));
  EXPECT_FALSE(GrabaIni(impossible, section, QStringLiteral("Pref"), QStringLiteral("x")));
  EXPECT_FALSE(GrabaIni(world.path(QStringLiteral("no/such/Config.ini")), section,
                        QStringLiteral("Pref"), QStringLiteral("x")));

  // A write that stops halfway, as on a full disk.
  write("[CONFIGURACION]\nPref=a\n");
  const auto signal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit small{16, limit.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &small);
  const bool written = GrabaIni(file(), section, QStringLiteral("Pref"), QString(64, u'x'));
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, signal);
  EXPECT_FALSE(written);
  EXPECT_EQ(content(), "[CONFIGURACION]\nPref=a\n");
  EXPECT_EQ(QDir(world.dir.path()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{QStringLiteral("Config.ini"), QStringLiteral("plain")}));
}

TEST_F(IniFile, WritingKeepsPermissionsAndFollowsALink) {
  write("[CONFIGURACION]\nPref=a\n");
  QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
  ASSERT_TRUE(GrabaIni(file(), section, QStringLiteral("Pref"), QStringLiteral("b")));
  const QFile::Permissions modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
  EXPECT_EQ(QFileInfo(file()).permissions() & modeBits,
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

  const QString link = world.path(QStringLiteral("link.ini"));
  ASSERT_TRUE(QFile::link(file(), link));
  ASSERT_TRUE(GrabaIni(link, section, QStringLiteral("Pref"), QStringLiteral("c")));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(read(QStringLiteral("Pref")), QStringLiteral("c"));
}

TEST_F(IniFile, ReadRules) {
  const QString utf16Text = QStringLiteral("[configuracion]\r\n dir1 = \"C:\\Imágenes\" \r\n");
  const QByteArray orphan = "Dir1=orphan\n[CONFIGURACION]\nDir2=b\n";
  const struct {
    QByteArray file;
    QString section;
    QString key;
    QString expected;
  } cases[] = {
      {utf16(utf16Text, false), section, QStringLiteral("Dir1"), QStringLiteral("C:\\Imágenes")},
      {utf16(utf16Text, true), section, QStringLiteral("Dir1"), QStringLiteral("C:\\Imágenes")},
      {"[CONFIGURACION]\nDir1=a\n", QStringLiteral(" CONFIGURACION "), QStringLiteral("Dir1"),
       QStringLiteral("a")},
      {"[CONFIGURACION]\nDir1=a\n", section, QStringLiteral("\tDir1\t"), QStringLiteral("a")},
      {orphan, QString(), QStringLiteral("Dir1"), QStringLiteral("orphan")},
      {orphan, QStringLiteral(" "), QStringLiteral("Dir1"), QStringLiteral("orphan")},
      {orphan, section, QStringLiteral("Dir1"), QString()},
      {"\xEF\xBB\xBF" + orphan, QString(), QStringLiteral("Dir1"), QStringLiteral("orphan")},
      {"[]\nDir1=a\n", QString(), QStringLiteral("Dir1"), QString()},
      {"[   ]\nDir1=a\n", QStringLiteral(" "), QStringLiteral("Dir1"), QString()},
      {"[CONFIGURACION]\n=value\n", section, QString(), QStringLiteral("value")},
      {"[CONFIGURACION]\n = value\n", section, QStringLiteral(" "), QStringLiteral("value")},
      {"[CONFIGURACION]\nDir1=a\x1A\n", section, QStringLiteral("Dir1"), QStringLiteral("a")},
      {"[CONFIGURACION]\nImagenes=\x1A"
       "d\n",
       section, QStringLiteral("Imagenes"), QStringLiteral("d")},
      {"\x1A[CONFIGURACION]\v\n\f\vPref\f=\v'b'\f\n", section, QStringLiteral("Pref"),
       QStringLiteral("b")},
      {bytes("[CONFIGURACION]\nExt=e\0f\n"), section, QStringLiteral("Ext"), QStringLiteral("e")},
      {utf16(QStringLiteral("[CONFIGURACION]\nDir1=a\n"), false, false), section,
       QStringLiteral("Dir1"), QString()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toPercentEncoding().constData());
    write(c.file);
    EXPECT_EQ(LeeIni(file(), c.section, c.key), c.expected);
  }
}

TEST_F(IniFile, WriteRules) {
  const QChar lone(0xD800);  // kept as it is, though no character
  const auto utf16File = [&](bool bigEndian, const QString& keys) {
    return utf16(QStringLiteral("[CONFIGURACION]\r\n") + keys + QStringLiteral("[OTRA]\r\nx=") +
                     lone + QStringLiteral("\r\n"),
                 bigEndian);
  };
  const QString oldKeys = QStringLiteral("Dir1 = a\r\nVis=0x0\r\n");
  const QString newKeys = QStringLiteral("Dir1 =ñ\r\nVis=0x0\r\nExt=*.png\r\n");
  const ini::KeyValues utf16Writes = {{QStringLiteral("Dir1"), QStringLiteral("ñ")},
                                      {QStringLiteral("Ext"), QStringLiteral("*.png")}};
  const ini::KeyValues dir1 = {{QStringLiteral("Dir1"), QStringLiteral("v")}};
  const struct {
    QByteArray file;
    QString section;
    ini::KeyValues writes;
    std::optional<QByteArray> expected;  // nothing: refused, the file left as it was
  } cases[] = {
      {utf16File(false, oldKeys), section, utf16Writes, utf16File(false, newKeys)},
      {utf16File(true, oldKeys), section, utf16Writes, utf16File(true, newKeys)},
      {utf16(QString(), true), section, dir1,
       utf16(QStringLiteral("[CONFIGURACION]\nDir1=v\n"), true)},
      {utf16(QStringLiteral("[CONFIGURACION]\r\n"), false, false), section, dir1, std::nullopt},
      {utf16(QStringLiteral("[CONFIGURACION]\r\n"), false) + "x", section, dir1, std::nullopt},
      {bytes("\0"), section, dir1, std::nullopt},
      // A damaged file, not text, is never written over.
      {bytes("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\x01\0\0\0\x01\0\x08\x06\0\0\0"), section, dir1,
       std::nullopt},
      {"",
       QStringLiteral(" CONFIGURACION "),
       {{QStringLiteral(" Dir1\t"), QStringLiteral("v")}},
       "[CONFIGURACION]\nDir1=v\n"},
      {"[CONFIGURACION]\nDir1=a\n", QString(), dir1, "Dir1=v\n[CONFIGURACION]\nDir1=a\n"},
      {"\xEF\xBB\xBF;c\nDir1=a\n\n[CONFIGURACION]\nDir1=a\n",
       QStringLiteral(" "),
       {{QStringLiteral("Dir1"), QStringLiteral("v")},
        {QStringLiteral("Ext"), QStringLiteral("e")}},
       "\xEF\xBB\xBF;c\nDir1=v\nExt=e\n\n[CONFIGURACION]\nDir1=a\n"},
      {"[]\nDir1=a\n", QString(), dir1, "Dir1=v\n[]\nDir1=a\n"},
      {"[CONFIGURACION]\r\n = a\r\n",
       section,
       {{QString(), QStringLiteral("v")}},
       "[CONFIGURACION]\r\n =v\r\n"},
      {bytes("[CONFIGURACION]\n\x1A"
             "Dir1\v=a\f\nExt=e\0f\n"),
       section, dir1,
       bytes("[CONFIGURACION]\n\x1A"
             "Dir1\v=v\nExt=e\0f\n")},
      {"[CONFIGURACION]\nDir1=a\n",
       section,
       {{QStringLiteral("Dir1"), QStringLiteral("v")},
        {QStringLiteral("Pref"), QStringLiteral("p\nDir2=/")}},
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toPercentEncoding().constData());
    write(c.file);
    const IniWrite written = writeKeys(file(), c.section, c.writes);
    EXPECT_EQ(written.ok, c.expected.has_value());
    EXPECT_EQ(written.reason.isEmpty(), written.ok);
    EXPECT_EQ(content(), c.expected.value_or(c.file));
  }
}

}  // namespace
