// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "fs/ErrnoText.h"
#include "fs/RecordFile.h"
#include "monitor/BatchHistory.h"
#include "monitor/HistoryWriter.h"
#include "monitor/Messages.h"
#include "monitor/MonitorSession.h"
#include "settings/SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <functional>
#include <set>
#include <thread>

namespace {

class BatchHistoryTest : public ::testing::Test {
protected:
  QString file() const { return dir.filePath(QStringLiteral("state/varndel/Historial.txt")); }
  HistoryPlace place() const {
    return historyPlace(file(), dir.filePath(QStringLiteral("config/varndel/Config.ini")));
  }
  int add(const HistoryRecord& record) const {
    return BatchHistory::append(place(), batchLine(record));
  }
  ino_t inode() const {
    struct stat info {};
    return lstat(QFile::encodeName(file()).constData(), &info) == 0 ? info.st_ino : 0;
  }

  // The bytes, after a hole of that many zeros that takes no room on the disk.
  void write(const QByteArray& bytes, qint64 hole = 0) const {
    QDir().mkpath(QFileInfo(file()).path());
    QFile out(file());
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.resize(hole) && out.seek(hole));
    out.write(bytes);
  }

  static HistoryRecord batch(int i) {
    return {1078473600 + i, QStringLiteral("/lotes/Fotos_%1").arg(i),
            i % 3,          {"f.bmp"},
            2049,           static_cast<ino_t>(1000 + i)};
  }
  static QByteArray lines(int from, int to) {
    QByteArray text;
    for (int i = from; i < to; ++i) {
      text += batchLine(batch(i)).text + '\n';
    }
    return text;
  }

  QTemporaryDir dir;
};

// Names and folders are bytes: spaces, commas, line breaks, '%' and bytes that are not UTF-8
// come back as they went. A record written before batch folders were identified still reads. The
// history's folder and its lock are closed to other users.
TEST_F(BatchHistoryTest, RecordsComeBackNewestFirstWithTheirOwnBytes) {
  const HistoryRecord odd{1078473623, QStringLiteral("/lotes/Mis fotos,100%/Lote 1"),
                          2,          {"a b.bmp", "c,d\n.bmp", QByteArray("caf\xff%.bmp")},
                          2049,       1311};
  write(historyHeader() + "1078473601 1 1 /lotes/Fotos_1 f.bmp\n");
  ASSERT_EQ(add(odd), 0);

  const BatchHistory history = BatchHistory::read(file());
  ASSERT_EQ(history.size(), 2);
  const HistoryRecord newest = history.record(0);
  EXPECT_EQ(newest.seconds, odd.seconds);
  EXPECT_EQ(newest.folder, odd.folder);
  EXPECT_EQ(newest.left, 2);
  EXPECT_EQ(newest.names, odd.names);
  EXPECT_EQ(newest.device, odd.device);
  EXPECT_EQ(newest.inode, odd.inode);
  EXPECT_EQ(history.files(0), 3);
  EXPECT_EQ(history.folder(1), QStringLiteral("/lotes/Fotos_1"));
  EXPECT_EQ(history.record(1).inode, 0u);
  for (const auto& [path, mode] : {std::pair{place().lockFolder, 0700u},
                                   std::pair{place().lockFolder + "/Historial.lock", 0600u}}) {
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, mode) << path.toStdString();
  }
}

// Two programs saving at once, each trimming the full file: a record one adds while the other
// replaces the file must not go with the old one.
TEST_F(BatchHistoryTest, TwoWritersTakeTurnsAndLoseNoRecord) {
  write(historyHeader() + lines(0, BatchHistory::kept));
  constexpr int each = 40;
  const auto addAll = [this](int first) {
    for (int i = first; i < first + each; ++i) {
      while (add(batch(i)) == EWOULDBLOCK) {
        std::this_thread::yield();
      }
    }
  };
  std::thread other(addAll, 10000);
  addAll(20000);
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

// Damage is passed over and every readable record kept; the file is written anew only to trim
// it, to drop much damage, or to give it its header. Of a large file only its end is read.
TEST_F(BatchHistoryTest, DamageIsPassedOverAndEveryReadableRecordKept) {
  const QByteArray header = historyHeader();
  QByteArray damagedOldest = header + lines(0, 900);
  damagedOldest[header.size() + 3] = 'x';
  QByteArray garbage(1 << 20, '\0');
  QRandomGenerator random(7);
  random.fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
  const QByteArray line = batchLine(batch(2)).text;
  struct Case {
    const char* what;
    QByteArray text;
    qsizetype readable;
    int oldest;  // the oldest batch kept once one more is added
    bool rewritten;
    qint64 hole = 0;
  };
  const int past = BatchHistory::kept + 5;
  const std::vector<Case> cases = {
      {"one damaged byte in the oldest", damagedOldest, 899, 1, false},
      {"last line cut short", header + lines(0, 900) + line.left(20), 900, 0, false},
      {"cut after a name", header + lines(1, 2) + line.chopped(8), 1, 1, false},
      {"1 MB of garbage", header + lines(0, 10) + garbage + '\n' + lines(10, 20), 20, 0, true},
      {"100 MB before the newest", lines(0, past), BatchHistory::kept, 6, true, 100 << 20},
      {"count not matching the names", header + "1078473600 2 0 /x a.bmp\n", 0, 0, false},
      {"a bad escape", header + lines(1, 2) + "1078473600 1 0 /x a%4.bmp\n", 1, 1, false},
      {"a bad identity", header + lines(1, 2) + "1078473600 1 0 /x a.bmp 1:\n", 1, 1, false},
      {"negative numbers", header + lines(1, 2) + "-5 1 0 /x a.bmp\n", 1, 1, false},
      {"foreign text", "[CONFIGURACION]\nDir1=/x\n", 0, 0, true},
      {"binary",
       QByteArray("\x7f"
                  "ELF\0\0\n\xff\xfe",
                  10),
       0, 0, true},
      {"empty", QByteArray(), 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write(c.text, c.hole);
    const BatchHistory before = BatchHistory::read(file());
    ASSERT_EQ(before.size(), c.readable);
    const ino_t written = inode();

    HistoryWriter writer(place());
    const HistoryWriter::Outcome outcome = writer.add(batchLine(batch(9999)));

    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.notice, QString());
    EXPECT_EQ(inode() != written, c.rewritten);
    const BatchHistory after = BatchHistory::read(file());
    ASSERT_EQ(after.size(), std::min(c.readable + 1, BatchHistory::kept));
    EXPECT_EQ(after.seconds(0), batch(9999).seconds);
    if (c.readable > 0) {
      EXPECT_EQ(after.seconds(after.size() - 1), batch(c.oldest).seconds);
    }
    EXPECT_LT(QFileInfo(file()).size(), 1 << 20);
  }
}

// An undo marks the newest batch before it of that folder and identity, and keeps marking it
// once the file is trimmed; an undone batch is not offered to an undo again.
TEST_F(BatchHistoryTest, AnUndoneBatchStaysListedAsUndone) {
  HistoryRecord first = batch(1);
  first.folder = dir.path();
  HistoryRecord second = first;  // a batch made later where the first had been
  second.inode = 2002;
  write(historyHeader() + lines(100, 98 + BatchHistory::kept) + batchLine(first).text + '\n' +
        batchLine(second).text + '\n' + undoneLine(second, 1078480002).text + '\n' +
        undoneLine(first, 1078480001).text + '\n');
  ASSERT_EQ(add(batch(5000)), 0);

  const BatchHistory history = BatchHistory::read(file());
  ASSERT_EQ(history.size(), BatchHistory::kept);
  EXPECT_EQ(history.undone(0), -1);
  EXPECT_EQ(history.undone(1), 1078480002);
  EXPECT_EQ(history.undone(2), 1078480001);
  EXPECT_EQ(newestExistingBatch(history), -1);
}

// A link, a FIFO or a file of another user at the history's name is never written through or
// replaced: the user is told once, and the save stands.
TEST_F(BatchHistoryTest, AHistoryThatIsNotOursIsRefusedAndToldOnce) {
  const QByteArray name = QFile::encodeName(file());
  const QString target = dir.filePath(QStringLiteral("ajeno.txt"));
  struct Case {
    const char* what;
    std::function<void()> make;
    QString reason;
  };
  std::vector<Case> cases = {
      {"a link", [&] { QFile::link(target, file()); }, QStringLiteral("es un enlace simbólico")},
      {"a FIFO", [&] { mkfifo(name.constData(), 0600); },
       QStringLiteral("no es un archivo normal")},
  };
  if (geteuid() == 0) {
    cases.push_back({"a file of another user",
                     [&] {
                       write(historyHeader());
                       ASSERT_EQ(chown(name.constData(), 65534, 65534), 0);
                     },
                     QStringLiteral("pertenece a otro usuario")});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(file());
    QFile::remove(target);
    write(historyHeader() + lines(0, 1));
    QFile::rename(file(), target);
    c.make();
    struct stat made {};
    ASSERT_EQ(lstat(name.constData(), &made), 0);

    HistoryWriter writer(place());
    EXPECT_EQ(writer.add(batchLine(batch(1))).notice, historyNotice(c.reason, file()));
    EXPECT_EQ(writer.add(batchLine(batch(2))).notice, QString());

    struct stat after {};
    ASSERT_EQ(lstat(name.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, made.st_ino);
    EXPECT_EQ(BatchHistory::read(target).size(), 1);
    EXPECT_NE(BatchHistory::read(file()).error(), 0);
  }
}

// Another copy of the program holding the history's lock never holds a save back: the record
// waits, is tried at each status tick and, after a few, is dropped and told once.
TEST_F(BatchHistoryTest, AHeldLockNeverHoldsASaveBack) {
  TestWorld world;
  world.writeWatchConfig(QStringLiteral("99"));
  const QString history = world.path(QStringLiteral("Historial.txt"));
  MonitorSession session({world.path(QStringLiteral("Config.ini")), [&] { return world.now; },
                          nullptr, true, history});
  QStringList told;
  QObject::connect(&session, &MonitorSession::notice,
                   [&](MonitorSession::NoticeKind, const QString& text) { told << text; });
  session.load();
  const HistoryPlace place = historyPlace(history, world.path(QStringLiteral("Config.ini")));
  UniqueFd held;
  ASSERT_EQ(lockRecordFile(place.lockFolder, "Historial.lock", held), 0);
  const auto save = [&](const QString& name) {
    world.writeFile(QStringLiteral("in/") + name);
    session.refreshList();
    session.statusTick();
    session.saveNow(MonitorSession::Base::SaveFolder);
    session.finishSave();
    world.now = world.now.addSecs(60);
  };

  save(QStringLiteral("a.bmp"));
  EXPECT_FALSE(QFileInfo::exists(world.path(QStringLiteral("in/a.bmp"))));
  for (int tick = 1; tick < HistoryWriter::patience; ++tick) {
    session.statusTick();
  }
  told.removeAll(QString());
  EXPECT_TRUE(told.isEmpty());
  session.statusTick();
  session.statusTick();
  told.removeAll(QString());
  EXPECT_EQ(told, QStringList{historyNotice(errnoText(EWOULDBLOCK), history)});
  EXPECT_TRUE(BatchHistory::read(history).empty());

  held.reset();
  save(QStringLiteral("b.bmp"));
  ASSERT_EQ(session.batches().rowCount(), 1);
  EXPECT_EQ(session.batches().record(0).names, std::vector<QByteArray>{"b.bmp"});
}

// A portable copy keeps its history beside its Config.ini, and its lock in a private folder
// there; any other start in the user's state folder, as the base directory rules place it.
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
  EXPECT_EQ(historyPlace(QStringLiteral("/opt/varndel/Historial.txt"),
                         QStringLiteral("/opt/varndel/Config.ini"))
                .lockFolder,
            QStringLiteral("/opt/varndel/.varndel"));
  EXPECT_EQ(historyPlace(QStringLiteral("/home/ana/.local/state/varndel/Historial.txt"),
                         QStringLiteral("/home/ana/.config/varndel/Config.ini"))
                .lockFolder,
            QStringLiteral("/home/ana/.local/state/varndel"));
}

}  // namespace
