// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "settings/LeeRegistro.h"
#include "settings/WinePath.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString msts = QStringLiteral("Software\\Microsoft\\Microsoft Games\\Train Simulator\\1.0");
const QString pathName = QStringLiteral("Path");

class LeeRegistroTest : public ::testing::Test {
protected:
  void writeRegistry(const QByteArray& body) {
    world.makeFolder(QStringLiteral("wine"));
    world.writeFile(QStringLiteral("wine/system.reg"),
                    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n" + body);
  }
  void writeMsts(const QByteArray& data) {
    writeRegistry(
        "[Software\\\\Microsoft\\\\Microsoft Games\\\\Train Simulator\\\\1.0] 1\n"
        "\"Path\"=" +
        data + "\n");
  }
  RegistryResult lookup() {
    return LeeValor(world.context().wineRegistry, HKEY_LOCAL_MACHINE, msts, pathName);
  }

  TestWorld world;
};

}  // namespace

TEST_F(LeeRegistroTest, StringWithAndWithoutTrailingBackslash) {
  writeMsts("\"C:\\\\Program Files\\\\Microsoft Games\\\\Train Simulator\\\\\"");
  EXPECT_EQ(lookup(), RegistryResult(
                          QStringLiteral("C:\\Program Files\\Microsoft Games\\Train Simulator\\")));
  writeMsts("\"D:\\\\Juegos\\\\Simulaci\\xf3n\"");
  EXPECT_EQ(lookup(), RegistryResult(QStringLiteral("D:\\Juegos\\Simulación")));
}

TEST_F(LeeRegistroTest, DwordGivesASignedNumberAndOtherTypesNothing) {
  writeMsts("dword:0000002a");
  EXPECT_EQ(resultText(lookup()), QStringLiteral("42"));
  writeMsts("dword:ffffffff");
  EXPECT_EQ(lookup(), RegistryResult(qint32(-1)));
  EXPECT_EQ(resultText(lookup()), QStringLiteral("-1"));
  for (const QByteArray& data :
       {QByteArray("str(2):\"%ProgramFiles%\\\\x\""), QByteArray("hex:01,02"),
        QByteArray("str(7):\"a\\0b\\0\""), QByteArray("hex(7):61,00,00,00,00,00")}) {
    writeMsts(data);
    EXPECT_EQ(lookup(), RegistryResult()) << data.constData();
  }
  // A string Wine had to write as bytes still reads as a string.
  writeMsts("hex(1):43,00,3a,00,00,00");
  EXPECT_EQ(lookup(), RegistryResult(QStringLiteral("C:")));
}

TEST_F(LeeRegistroTest, StatusCodesLeaveTheResultAlone) {
  writeRegistry(
      "[Software\\\\Vendor] 1\n\"Texto\"=\"x\"\n\"Numero\"=dword:00000007\n"
      "\"Bin\"=hex:00\n\"Largo\"=hex(4):01,00,00,00,00\n");
  const RegistryKey key = openRegistryKey(world.context().wineRegistry, HKEY_LOCAL_MACHINE,
                                          QStringLiteral("Software\\Vendor"));
  RegistryResult result;
  EXPECT_EQ(ConsultaValor(key, QStringLiteral("Falta"), result), regstatus::fileNotFound);
  EXPECT_EQ(result, RegistryResult());
  EXPECT_EQ(ConsultaValor(key, QStringLiteral("Bin"), result), regstatus::otherType);
  EXPECT_EQ(ConsultaValor(key, QStringLiteral("Largo"), result), regstatus::moreData);
  EXPECT_EQ(result, RegistryResult());
  EXPECT_EQ(ConsultaValor(key, QStringLiteral("NUMERO"), result), regstatus::ok);
  EXPECT_EQ(result, RegistryResult(qint32(7)));
  EXPECT_EQ(ConsultaValor(key, QStringLiteral("Bin"), result), regstatus::otherType);
  EXPECT_EQ(result, RegistryResult(qint32(7)));
  EXPECT_EQ(ConsultaValor(RegistryKey{}, QStringLiteral("Texto"), result),
            regstatus::invalidHandle);
}

TEST_F(LeeRegistroTest, MissingValueKeyFileOrHiveGivesEmpty) {
  writeRegistry(
      "[Software\\\\Microsoft\\\\Microsoft Games\\\\Train Simulator\\\\1.0] 1\n"
      "\"Otro\"=\"x\"\n");
  EXPECT_EQ(lookup(), RegistryResult());
  writeRegistry("[Software\\\\Microsoft\\\\Microsoft Games] 1\n\"Path\"=\"x\"\n");
  EXPECT_EQ(lookup(), RegistryResult());
  EXPECT_EQ(LeeValor(world.context().wineRegistry, 0x80000001u,
                     QStringLiteral("Software\\Microsoft\\Microsoft Games"), pathName),
            RegistryResult());
  QFile::remove(world.path(QStringLiteral("wine/system.reg")));
  EXPECT_EQ(lookup(), RegistryResult());
  static const char garbage[] = "\0\xff\xfe garbage [";
  world.writeFile(QStringLiteral("wine/system.reg"),
                  QByteArray::fromRawData(garbage, sizeof garbage - 1));
  EXPECT_EQ(lookup(), RegistryResult());
}

TEST_F(LeeRegistroTest, ThirtyTwoBitViewComesFirst) {
  writeRegistry(
      "[Software\\\\Wow6432Node\\\\Microsoft\\\\Microsoft Games\\\\Train Simulator\\\\1.0] 1\n"
      "\"Path\"=\"C:\\\\Vista32\\\\\"\n");
  EXPECT_EQ(lookup(), RegistryResult(QStringLiteral("C:\\Vista32\\")));
  writeRegistry(
      "[Software\\\\Microsoft\\\\Microsoft Games\\\\Train Simulator\\\\1.0] 1\n"
      "\"Path\"=\"C:\\\\Vista64\\\\\"\n"
      "[Software\\\\Wow6432Node\\\\Microsoft\\\\Microsoft Games\\\\Train Simulator\\\\1.0] 1\n"
      "\"Path\"=\"C:\\\\Vista32\\\\\"\n");
  EXPECT_EQ(lookup(), RegistryResult(QStringLiteral("C:\\Vista32\\")));
}

TEST_F(LeeRegistroTest, LookingUpNeverWrites) {
  writeMsts("\"C:\\\\x\"");
  const QByteArray before = world.readFile(QStringLiteral("wine/system.reg"));
  lookup();
  EXPECT_EQ(world.readFile(QStringLiteral("wine/system.reg")), before);
}

TEST(WinePath, DriveLinkLeadsToTheLinuxFolder) {
  TestWorld world;
  const QString prefix = world.makeFolder(QStringLiteral("wine"));
  const QString drive = world.makeFolder(QStringLiteral("wine/drive_c"));
  world.makeFolder(QStringLiteral("wine/drive_c/Program Files/microsoft games/Train Simulator"));
  world.makeFolder(QStringLiteral("wine/dosdevices"));
  ASSERT_TRUE(
      QFile::link(QStringLiteral("../drive_c"), world.path(QStringLiteral("wine/dosdevices/c:"))));

  EXPECT_EQ(linuxPathInPrefix(
                prefix, QStringLiteral("C:\\Program Files\\Microsoft Games\\Train Simulator\\")),
            drive + QStringLiteral("/Program Files/microsoft games/Train Simulator/"));
  EXPECT_EQ(linuxPathInPrefix(prefix, QStringLiteral("c:\\Program Files\\Nuevo")),
            drive + QStringLiteral("/Program Files/Nuevo"));
  EXPECT_EQ(linuxPathInPrefix(prefix, QStringLiteral("C:\\")), drive + QLatin1Char('/'));
  EXPECT_EQ(linuxPathInPrefix(prefix, QStringLiteral("C:")), drive);
  // A path no drive of the prefix leads to means nothing here.
  for (const QString& unreachable :
       {QStringLiteral("D:\\Juegos\\"), QStringLiteral("\\\\servidor\\x"), QString()}) {
    EXPECT_EQ(linuxPathInPrefix(prefix, unreachable), QString()) << unreachable.toStdString();
  }

  // A prefix without dosdevices: C: is its drive_c, and no other letter is anything.
  ASSERT_TRUE(QDir(world.path(QStringLiteral("wine/dosdevices"))).removeRecursively());
  EXPECT_EQ(linuxPathInPrefix(prefix, QStringLiteral("c:\\PROGRAM FILES\\")),
            drive + QStringLiteral("/Program Files/"));
  EXPECT_EQ(linuxPathInPrefix(prefix, QStringLiteral("D:\\Juegos")), QString());
}
