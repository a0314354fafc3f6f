// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchHistory.h"
#include "settings/SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <set>
#include <thread>

namespace {

class BatchHistoryTest : public ::testing::Test {
protected:
  QString file() const { return dir.filePath(QStringLiteral("state/varndel/Historial.txt")); }

  void write(const QByteArray& bytes) const {
    QDir().mkpath(QFileInfo(file()).path());
    QFile out(file());
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
  }

  static HistoryRecord batch(int i) {
    return {1078473600 + i, QStringLiteral("/lotes/Fotos_%1").arg(i), i % 3, {"f.bmp"}};
  }

  QTemporaryDir dir;
};

// Names and folders are bytes: spaces, commas, line breaks, '%' and bytes that are not UTF-8
// come back as they went.
TEST_F(BatchHistoryTest, RecordsComeBackNewestFirstWithTheirOwnBytes) {
  const HistoryRecord odd{1078473623,
                          QStringLiteral("/lotes/Mis fotos,100%/Lote 1"),
                          2,
                          {"a b.bmp", "c,d\n.bmp", QByteArray("caf\xff%.bmp")}};
  ASSERT_EQ(appendHistory(file(), batch(1)), 0);
  ASSERT_EQ(appendHistory(file(), odd), 0);

  const BatchHistory history = BatchHistory::read(file());
  ASSERT_EQ(history.size(), 2);
  EXPECT_TRUE(history.whole());
  const HistoryRecord newest = history.record(0);
  EXPECT_EQ(newest.seconds, odd.seconds);
  EXPECT_EQ(newest.folder, odd.folder);
  EXPECT_EQ(newest.left, 2);
  EXPECT_EQ(newest.names, odd.names);
  EXPECT_EQ(history.files(0), 3);
  EXPECT_EQ(history.folder(1), QStringLiteral("/lotes/Fotos_1"));
  struct stat info {};
  ASSERT_EQ(stat(QFile::encodeName(file()).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Past 1,000 the oldest go, in one replacement of the file.
TEST_F(BatchHistoryTest, OnlyTheLastThousandAreKept) {
  QByteArray full = historyHeader();
  for (int i = 0; i < BatchHistory::kept; ++i) {
    full += historyLine(batch(i)) + '\n';
  }
  write(full);
  struct stat before {};
  ASSERT_EQ(stat(QFile::encodeName(file()).constData(), &before), 0);

  ASSERT_EQ(appendHistory(file(), batch(BatchHistory::kept)), 0);

  const BatchHistory history = BatchHistory::read(file());
  struct stat after {};
  ASSERT_EQ(stat(QFile::encodeName(file()).constData(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino);
  ASSERT_EQ(history.size(), BatchHistory::kept);
  EXPECT_EQ(history.seconds(0), batch(BatchHistory::kept).seconds);
  EXPECT_EQ(history.seconds(BatchHistory::kept - 1), batch(1).seconds);
}

// Two programs saving at once, each trimming the full file: a record one adds while the other
// replaces the file must not go with the old one.
TEST_F(BatchHistoryTest, TwoWritersTakeTurnsAndLoseNoRecord) {
  QByteArray full = historyHeader();
  for (int i = 0; i < BatchHistory::kept; ++i) {
    full += historyLine(batch(i)) + '\n';
  }
  write(full);
  constexpr int each = 40;
  const auto add = [this](int first) {
    for (int i = first; i < first + each; ++i) {
      appendHistory(file(), batch(i));
    }
  };
  std::thread other(add, 10000);
  add(20000);
  other.join();

  const BatchHistory history = BatchHistory::read(file());
  std::set<qint64> added;
  for (qsizetype i = 0; i < history.size(); ++i) {
    if (history.seconds(i) >= batch(10000).seconds) {
      added.insert(history.seconds(i));
    }
  }
  EXPECT_EQ(added.size(), 2u * each);
}

// A file is read only as far as it is valid, and the next record is never lost behind the
// damage: the file is written anew with what was valid.
TEST_F(BatchHistoryTest, DamageEndsTheReadAndTheNextRecordStillCounts) {
  const QByteArray good = historyHeader() + historyLine(batch(1)) + '\n';
  const QByteArray line = historyLine(batch(2));
  struct Case {
    const char* what;
    QByteArray text;
    qsizetype valid;
  };
  const std::vector<Case> cases = {
      {"cut short", good + line.left(line.size() / 2), 1},
      {"cut after a name", good + line.chopped(2), 1},
      {"count not matching the names", good + "1078473600 2 0 /x a.bmp\n", 1},
      {"a bad escape", good + "1078473600 1 0 /x a%4.bmp\n", 1},
      {"negative numbers", good + "-5 1 0 /x a.bmp\n", 1},
      {"foreign text", "[CONFIGURACION]\nDir1=/x\n", 0},
      {"binary",
       QByteArray("\x7f"
                  "ELF\0\0\n\xff\xfe",
                  10),
       0},
      {"empty", QByteArray(), 0},
  };
  for (const Case& c : cases) {
    write(c.text);
    EXPECT_EQ(BatchHistory::read(file()).size(), c.valid) << c.what;
    ASSERT_EQ(appendHistory(file(), batch(3)), 0) << c.what;
    const BatchHistory after = BatchHistory::read(file());
    EXPECT_TRUE(after.whole()) << c.what;
    ASSERT_EQ(after.size(), c.valid + 1) << c.what;
    EXPECT_EQ(after.seconds(0), batch(3).seconds) << c.what;
  }
}

// A portable copy keeps its history beside its Config.ini; any other start in the user's state
// folder, as the base directory rules place it.
TEST_F(BatchHistoryTest, ThePortableCopyKeepsItsHistoryBesideItsSettings) {
  SettingsEnvironment environment{
      QStringLiteral("/opt/varndel"), QStringLiteral("/home/ana"), {}, {}, {}};
  EXPECT_EQ(historyFile(environment, QStringLiteral("/opt/varndel/Config.ini")),
            QStringLiteral("/opt/varndel/Historial.txt"));
  EXPECT_EQ(historyFile(environment, QStringLiteral("/home/ana/.config/varndel/Config.ini")),
            QStringLiteral("/home/ana/.local/state/varndel/Historial.txt"));
  environment.stateHome = QStringLiteral("/var/ana");
  EXPECT_EQ(historyFile(environment, QStringLiteral("/otro/Config.ini")),
            QStringLiteral("/var/ana/varndel/Historial.txt"));
  environment.stateHome = QStringLiteral("relative");
  EXPECT_EQ(historyFile(environment, QStringLiteral("/otro/Config.ini")),
            QStringLiteral("/home/ana/.local/state/varndel/Historial.txt"));
}

}  // namespace
