// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ScriptedFileOps.h"
#include "common/WorkFolders.h"
#include "monitor/BatchJournal.h"
#include "monitor/BatchRecovery.h"
#include "monitor/BatchSave.h"
#include "monitor/BatchUndo.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <map>
#include <thread>

namespace {

using Step = FileOps::Step;

constexpr int fileCount = 300;

QByteArray contentOf(int i) {
  return "picture " + QByteArray::number(i) + QByteArray(i % 7 * 1000, 'x');
}

// Every file under folder, by its path below it, with its content.
std::map<QString, QByteArray> everyFile(const QString& folder) {
  std::map<QString, QByteArray> files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile file(path);
    files[QDir(folder).relativeFilePath(path)] =
        file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>";
  }
  return files;
}

class BatchRecoveryTest : public ::testing::Test {
protected:
  QString in() const { return dir.filePath(QStringLiteral("in")); }
  QString out() const { return dir.filePath(QStringLiteral("out")); }

  void SetUp() override {
    QDir().mkpath(in());
    QDir().mkpath(out());
  }

  void TearDown() override {
    if (mounted) {
      umount(QFile::encodeName(out()).constData());
    }
  }

  bool mountSecondFileSystem() {
    mounted = mount("varndel-test", QFile::encodeName(out()).constData(), "tmpfs", 0, nullptr) == 0;
    return mounted;
  }

  std::vector<QByteArray> fill() const {
    std::vector<QByteArray> names;
    for (int i = 0; i < fileCount; ++i) {
      names.push_back("f" + QByteArray::number(i) + ".bmp");
      QFile file(in() + QLatin1Char('/') + QString::fromLatin1(names.back()));
      EXPECT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(contentOf(i));
    }
    return names;
  }

  void clearBoth() const {
    for (const QString& folder : {in(), out()}) {
      for (const QString& entry :
           QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        QDir(folder + QLatin1Char('/') + entry).removeRecursively();
        QFile::remove(folder + QLatin1Char('/') + entry);
      }
    }
  }

  static SaveRequest requestFor(const QString& in, const QString& out,
                                const std::vector<QByteArray>& names) {
    return {
        out, QStringLiteral("Fotos_"), in, names, QDateTime(QDate(2004, 3, 5), QTime(9, 7, 3)), {},
        {}};
  }

  // A clock that makes every file look long quiet, and no leases: the save takes every file.
  static MoveEnv takeAll(FileOps& ops) {
    return {&ops, {false, [] { return timespec{0, 0}; }, {}}, nullptr};
  }

  // Runs a save, or the undo of one, in a child process that is killed at the chosen step, then
  // puts it right. Tells whether the child was killed.
  bool saveKilledAt(Step step, int occurrence, bool forceCopy, bool recover = true,
                    bool undo = false) {
    const std::vector<QByteArray> names = fill();
    const SaveRequest request = requestFor(in(), out(), names);
    if (undo) {
      FileOps& plain = realFileOps();
      EXPECT_TRUE(saveBatch(request, takeAll(plain)).ok());
    }
    const pid_t child = fork();
    EXPECT_GE(child, 0);
    if (child == 0) {
      bool told = false;
      ScriptedFileOps ops([&](Step now, const QByteArray& name, int earlier) {
        if (forceCopy && !told && now == Step::Rename && !name.startsWith(".varndel-")) {
          told = true;
          return EXDEV;
        }
        if (now == step && earlier == occurrence) {
          raise(SIGKILL);
        }
        return 0;
      });
      if (undo) {
        undoBatch(
            {batchFolderPath(request.base, request.prefix, request.moment), in(), names, out()},
            takeAll(ops));
      } else {
        saveBatch(request, takeAll(ops));
      }
      _exit(0);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    if (recover) {
      recoverInterruptedSaves(recoveryFolder.isEmpty() ? out() : recoveryFolder, in());
    }
    return WIFSIGNALED(status);
  }

  // Every original byte exists exactly once, under its own name, and nothing else is left.
  void expectEachFileOnce(const QString& label) const {
    std::map<QByteArray, int> seen;
    for (const QString& folder : {in(), out()}) {
      for (const auto& [path, content] : everyFile(folder)) {
        const QString name = path.section(QLatin1Char('/'), -1);
        const int i = name.mid(1).chopped(4).toInt();
        EXPECT_TRUE(name.startsWith(QLatin1Char('f')) && content == contentOf(i))
            << label.toStdString() << ": unexpected " << path.toStdString();
        ++seen[name.toLatin1()];
      }
    }
    EXPECT_EQ(seen.size(), std::size_t{fileCount}) << label.toStdString();
    for (const auto& [name, times] : seen) {
      EXPECT_EQ(times, 1) << label.toStdString() << ": " << name.constData();
    }
  }

  QTemporaryDir dir;
  bool mounted = false;
  QString recoveryFolder;  // the save folder at the next start, when not the one saved to
};

struct KillPoint {
  Step step;
  int occurrence;
};

const std::vector<KillPoint> killPoints = {
    {Step::Write, 0},    {Step::Rename, 2},   {Step::Rename, 150},
    {Step::Rename, 310}, {Step::Rename, 450}, {Step::Copy, 100},
    {Step::Flush, 5},    {Step::Unlink, 150}, {Step::Unlink, 300},
};

class KillMatrixTest : public BatchRecoveryTest, public ::testing::WithParamInterface<int> {};

// 0: renames within one file system; 1: copies within one; 2: copies across two; 3 to 5: the
// same ways for the undo of a saved batch; 6 and 7: copies across two, a save and an undo, put
// right by a start whose save folder is another one by now.
TEST_P(KillMatrixTest, KilledAnywhereLosesAndDuplicatesNothing) {
  const bool elsewhere = GetParam() >= 6;
  const int way = elsewhere ? 2 : GetParam() % 3;
  const bool undo = elsewhere ? GetParam() == 7 : GetParam() >= 3;
  if (elsewhere) {
    recoveryFolder = dir.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(recoveryFolder);
  }
  if (way == 2 && !mountSecondFileSystem()) {
    GTEST_SKIP() << "a tmpfs cannot be mounted here (not root): the save across two file "
                    "systems is not killed";
  }
  int killed = 0;
  for (const KillPoint& point : killPoints) {
    const QString label =
        QStringLiteral("step %1 #%2").arg(static_cast<int>(point.step)).arg(point.occurrence);
    const bool wasKilled = saveKilledAt(point.step, point.occurrence, way == 1, true, undo);
    killed += wasKilled;
    expectEachFileOnce(label);
    // Within one file system a save cut short is rolled back whole, not merely made whole:
    // all in the watched folder and no batch, unless its journal was already gone. An undo cut
    // short once its journal is written is finished: all back, and at most an empty folder left
    // by a kill between the journal's removal and the folder's.
    if (way == 0 && wasKilled && !everyFile(in()).empty()) {
      EXPECT_EQ(everyFile(in()).size(), std::size_t{fileCount}) << label.toStdString();
      EXPECT_TRUE(undo ? everyFile(out()).empty() : QDir(out()).isEmpty()) << label.toStdString();
    }
    clearBoth();
  }
  EXPECT_GE(killed, way == 0 ? 4 : 7);
}

INSTANTIATE_TEST_SUITE_P(EachWay, KillMatrixTest, ::testing::Range(0, 8));

// A journal is input from disk. Each of these is whole and for this watched folder but for one
// fault, and is reported and left alone for that fault.
TEST_F(BatchRecoveryTest, UntrustedJournalsAreReportedAndLeftAlone) {
  struct stat watched {};
  ASSERT_EQ(stat(QFile::encodeName(in()).constData(), &watched), 0);
  const auto journalNaming = [&](const QByteArray& name, const QByteArray& claim) {
    return formatJournal({BatchJournal::Mode::Copy,
                          watched.st_dev,
                          watched.st_ino,
                          {{name, claim, ".varndel-9-copy-0", {1, 2, 3, {4, 5}}, {}}},
                          {}});
  };
  const QByteArray valid = journalNaming("a.bmp", ".varndel-9-claim-0");
  const passwd* nobody = getpwnam("nobody");
  struct Case {
    QByteArray text;
    mode_t folderMode;
    bool otherOwner;
  };
  std::vector<Case> cases = {
      {journalNaming("x/a.bmp", ".varndel-9-claim-0"), 0755, false},
      {journalNaming("..", ".varndel-9-claim-0"), 0755, false},
      {journalNaming(".", ".varndel-9-claim-0"), 0755, false},
      {journalNaming("a.bmp", ".bashrc"), 0755, false},
      {valid.chopped(4), 0755, false},
      {valid, 0777, false},
  };
  if (geteuid() == 0 && nobody != nullptr) {
    cases.push_back({valid, 0755, true});
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const QString batch = out() + QStringLiteral("/lote%1").arg(i);
    QDir().mkpath(batch);
    QFile journal(batch + QLatin1Char('/') + QString::fromLatin1(journalName));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.write(cases[i].text);
    journal.close();
    QFile keep(batch + QStringLiteral("/a.bmp"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    const QByteArray folder = QFile::encodeName(batch);
    ASSERT_EQ(chmod(folder.constData(), cases[i].folderMode), 0);
    if (cases[i].otherOwner) {
      ASSERT_EQ(chown(folder.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    }
  }

  const RecoveryReport report = recoverInterruptedSaves(out(), in());

  EXPECT_EQ(report.batches, 0);
  EXPECT_EQ(report.untrusted.size(), static_cast<qsizetype>(cases.size()))
      << report.untrusted.join('\n').toStdString();
  EXPECT_EQ(everyFile(out()).size(), cases.size() * 2);
}

// A copy of the original's size but with other bytes is kept: only a true duplicate goes.
TEST_F(BatchRecoveryTest, ACopyThatDiffersFromItsOriginalIsKept) {
  QFile original(in() + QStringLiteral("/a.bmp"));
  ASSERT_TRUE(original.open(QIODevice::WriteOnly));
  original.write("AAAA");
  original.close();
  struct stat watched {
  }, info{};
  ASSERT_EQ(stat(QFile::encodeName(in()).constData(), &watched), 0);
  ASSERT_EQ(stat(QFile::encodeName(original.fileName()).constData(), &info), 0);
  QDir().mkpath(out() + QStringLiteral("/lote"));
  QFile copy(out() + QStringLiteral("/lote/a.bmp"));
  ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
  copy.write("BBBB");
  copy.close();
  QFile journal(out() + QStringLiteral("/lote/") + QString::fromLatin1(journalName));
  ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
  journal.write(
      formatJournal({BatchJournal::Mode::Copy,
                     watched.st_dev,
                     watched.st_ino,
                     {{"a.bmp", ".varndel-9-claim-0", ".varndel-9-copy-0", identityOf(info), {}}},
                     {}}));
  journal.close();

  const RecoveryReport report = recoverInterruptedSaves(out(), in());

  EXPECT_EQ(report.keptCopies, 1);
  EXPECT_EQ(everyFile(out())[QStringLiteral("lote/a.bmp")], "BBBB");
  EXPECT_EQ(everyFile(in())[QStringLiteral("a.bmp")], "AAAA");
}

// A save still running is never taken for a crashed one. Without its lock, a recovery would
// remove a copy it takes for a duplicate while the save removes the original it copied.
TEST_F(BatchRecoveryTest, RecoveryDuringALiveSaveOrUndoPassesItOver) {
  for (const bool undo : {false, true}) {
    clearBoth();
    const std::vector<QByteArray> names = fill();
    const SaveRequest request = requestFor(in(), out(), names);
    if (undo) {
      ASSERT_TRUE(saveBatch(request, takeAll(realFileOps())).ok());
    }
    std::promise<bool> reached;  // true: the recovery is about to give claim-0 its name back
    std::promise<void> release;
    std::atomic<bool> answered = false;
    const auto answer = [&](bool value) {
      if (!answered.exchange(true)) {
        reached.set_value(value);
      }
    };
    std::thread recovery;
    bool told = false;
    bool releasing = false;
    ScriptedFileOps moveOps([&](Step step, const QByteArray& name, int) {
      if (!told && step == Step::Rename && !name.startsWith(".varndel-")) {
        told = true;
        return EXDEV;
      }
      if (releasing) {
        releasing = false;
        release.set_value();
      }
      if (!recovery.joinable() && step == Step::Unlink && name.endsWith("-claim-0")) {
        recovery = std::thread([&] {
          ScriptedFileOps ops([&](Step at, const QByteArray& file, int) {
            if (at == Step::Rename && file.endsWith("-claim-0")) {
              answer(true);
              release.get_future().wait();
            }
            return 0;
          });
          recoverInterruptedSaves(out(), in(), ops);
          answer(false);
        });
        releasing = reached.get_future().get();
      }
      return 0;
    });
    const MoveReport result =
        undo ? MoveReport(undoBatch({batchFolderPath(request.base, request.prefix, request.moment),
                                     in(), names, out()},
                                    takeAll(moveOps)))
             : saveBatch(request, takeAll(moveOps));
    if (releasing) {
      release.set_value();
    }
    recovery.join();
    EXPECT_TRUE(result.ok()) << undo << result.reason.toStdString();
    expectEachFileOnce(undo ? QStringLiteral("recovery during a live undo")
                            : QStringLiteral("recovery during a live save"));
  }
}

// Claimed originals whose journal is out of reach (the save folder changed after a crash) get
// their names back from the index beside them; with no index, a plain visible name.
TEST_F(BatchRecoveryTest, HiddenFilesThatNoJournalAccountsForAreNamed) {
  for (const bool withIndex : {true, false}) {
    EXPECT_TRUE(saveKilledAt(Step::Unlink, 100, true, false));
    QDir(out()).removeRecursively();
    QDir().mkpath(out());
    const QString work = workFolderIn(in());
    for (const QString& index :
         QDir(work).entryList({QStringLiteral(".varndel-*-index")}, QDir::Files | QDir::Hidden)) {
      if (!withIndex) {
        QFile::remove(work + QLatin1Char('/') + index);
      }
    }
    const auto claims =
        QDir(work).entryList({QStringLiteral(".varndel-*-claim-*")}, QDir::Files | QDir::Hidden);
    ASSERT_GT(claims.size(), 100);
    const RecoveryReport report = recoverInterruptedSaves(out(), in());
    const QStringList hidden =
        QDir(in()).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    EXPECT_TRUE(hidden.isEmpty()) << hidden.join(' ').toStdString();
    EXPECT_EQ(report.unnamed, withIndex ? 0 : claims.size());
    EXPECT_EQ(report.returned, withIndex ? claims.size() : 0);
    if (withIndex) {
      for (int i = fileCount - static_cast<int>(claims.size()); i < fileCount; ++i) {
        QFile file(in() + QStringLiteral("/f%1.bmp").arg(i));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == contentOf(i)) << i;
      }
    }
    clearBoth();
  }
}

// The sweep acts only inside the program's own work folders: names with the program's mark that
// the user or another user put in the watched folder stay as they are.
TEST_F(BatchRecoveryTest, TheSweepLeavesNamesItDidNotMakeAlone) {
  const std::vector<std::pair<QString, QByteArray>> planted = {
      {QStringLiteral(".varndel-9-index"), "notas"},
      {QStringLiteral(".varndel-9-index.new"), ""},
      {QStringLiteral(".varndel-7-claim-0"), "ajeno"},
      {QStringLiteral(".varndel-7-copy-0"), "suyo"},
  };
  for (const auto& [name, content] : planted) {
    QFile file(in() + QLatin1Char('/') + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (geteuid() == 0 && content == "ajeno") {
      ASSERT_EQ(chown(QFile::encodeName(file.fileName()).constData(), 65534, 65534), 0);
    }
  }
  const std::map<QString, QByteArray> before = everyFile(in());

  const RecoveryReport report = recoverInterruptedSaves(out(), in());

  EXPECT_TRUE(report.empty());
  EXPECT_EQ(everyFile(in()), before);
}

// A damaged journal is told once and not read again while it stays as it is.
TEST_F(BatchRecoveryTest, ARefusedJournalIsNotReadAgainUntilItChanges) {
  QDir().mkpath(out() + QStringLiteral("/lote"));
  QFile journal(out() + QStringLiteral("/lote/") + QString::fromLatin1(journalName));
  ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
  journal.write(QByteArray(1 << 20, 'x'));
  journal.close();
  RefusedJournals refused;
  const auto journalOpens = [&] {
    ScriptedFileOps ops;
    const RecoveryReport report = recoverInterruptedSaves(out(), in(), ops, &refused);
    int opens = 0;
    for (const auto& [step, name] : ops.steps()) {
      opens += step == Step::Open && name == journalName;
    }
    return std::make_pair(report.untrusted.size(), opens);
  };
  EXPECT_EQ(journalOpens(), std::make_pair(qsizetype{1}, 1));
  EXPECT_EQ(journalOpens(), std::make_pair(qsizetype{0}, 1));
}

TEST(BatchJournalTest, NamesOfAnyBytesSurviveTheRoundTrip) {
  BatchJournal journal{BatchJournal::Mode::Copy, 8, 9, {}, {}};
  journal.entries.push_back({QByteArray("a b\ncaf\xff.bmp"),
                             ".varndel-1-claim-0",
                             ".varndel-1-copy-0",
                             {1, 2, 3, {-4, 5}},
                             {}});
  journal.work = ".varndel-1000-x y";
  const std::optional<BatchJournal> read = parseJournal(formatJournal(journal));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->work, journal.work);
  EXPECT_EQ(read->entries.at(0).name, journal.entries[0].name);
  EXPECT_TRUE(read->entries[0].identity == journal.entries[0].identity);
  EXPECT_FALSE(parseJournal(formatJournal(journal).chopped(4)).has_value());
}

}  // namespace
