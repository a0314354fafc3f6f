// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ScriptedFileOps.h"
#include "common/WorkFolders.h"
#include "monitor/BatchRecovery.h"
#include "monitor/BatchSave.h"
#include "monitor/BatchUndo.h"
#include "monitor/WriteWatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Step = FileOps::Step;

const QString batchName = QStringLiteral("Fotos_532004_973");

// A watched folder "in" and a save folder "out" in a temporary folder.
class BatchSaveTest : public ::testing::Test {
protected:
  QString in() const { return dir.filePath(QStringLiteral("in")); }
  QString out() const { return dir.filePath(QStringLiteral("out")); }
  QString batch() const { return out() + QLatin1Char('/') + batchName; }

  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(in()));
    ASSERT_TRUE(QDir().mkpath(out()));
  }

  // Empty folders again, for the next case of a table.
  void reset() {
    QDir(in()).removeRecursively();
    QDir(out()).removeRecursively();
    SetUp();
  }

  static QByteArray path(const QString& folder, const QByteArray& name) {
    return QFile::encodeName(folder) + '/' + name;
  }

  void put(const QByteArray& name, const QByteArray& bytes) const {
    const int fd =
        open(path(in(), name).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, bytes.constData(), bytes.size()), bytes.size());
    close(fd);
  }

  // By bytes: a name that is not UTF-8 does not survive a trip through QString.
  static QByteArray read(const QByteArray& file) {
    const int fd = open(file.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      return "<missing>";
    }
    QByteArray content;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
      content.append(buffer, n);
    }
    close(fd);
    return content;
  }

  // Puts a file's modification time an hour back, so it does not look freshly written.
  void age(const QByteArray& name) const {
    struct stat info {};
    ASSERT_EQ(stat(path(in(), name).constData(), &info), 0);
    timespec times[2] = {info.st_atim, info.st_mtim};
    times[1].tv_sec -= 3600;
    ASSERT_EQ(utimensat(AT_FDCWD, path(in(), name).constData(), times, 0), 0);
  }

  SaveRequest request(const std::vector<QByteArray>& names,
                      const QString& prefix = QStringLiteral("Fotos_")) const {
    return {out(), prefix, in(), names, QDateTime(QDate(2004, 3, 5), QTime(9, 7, 3)), {}, {}};
  }

  static QStringList entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
  }

  QTemporaryDir dir;
  const std::vector<QByteArray> abc{"a.bmp", "b.bmp", "c.bmp"};
};

bool isSourceRename(Step step, const QByteArray& name) {
  return step == Step::Rename && !name.startsWith(".varndel-");
}

// The copy way is taken when the first move of a file says the folders are on two file
// systems.
ScriptedFileOps::Script acrossFileSystems(ScriptedFileOps::Script then = {}) {
  return [then, told = false](Step step, const QByteArray& name, int earlier) mutable {
    if (!told && isSourceRename(step, name)) {
      told = true;
      return EXDEV;
    }
    return then ? then(step, name, earlier) : 0;
  };
}

class BothWaysTest : public BatchSaveTest, public ::testing::WithParamInterface<bool> {
protected:
  ScriptedFileOps ops{GetParam() ? acrossFileSystems() : ScriptedFileOps::Script()};
  MoveEnv env{&ops, {}, nullptr};
};

TEST_P(BothWaysTest, MovesEveryFileKeepingContentAndDateAndLeavesNothingElse) {
  put("a.bmp", "alpha");
  put("b.bmp", QByteArray(3 << 20, 'b'));
  put("c.bmp", QByteArray());
  age("a.bmp");
  const QDateTime aDate = QFileInfo(in() + QStringLiteral("/a.bmp")).lastModified();
  std::atomic<int> progress{0};
  env.progress = &progress;

  const SaveResult result = saveBatch(request(abc), env);

  ASSERT_TRUE(result.ok()) << result.concerned.toStdString() << result.reason.toStdString();
  EXPECT_EQ(result.batchFolder, batch());
  EXPECT_EQ(result.moved, 3);
  EXPECT_EQ(progress, 3);
  EXPECT_TRUE(result.left.empty());
  EXPECT_EQ(entries(batch()), (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
  EXPECT_EQ(read(path(batch(), "a.bmp")), "alpha");
  EXPECT_EQ(read(path(batch(), "b.bmp")), QByteArray(3 << 20, 'b'));
  EXPECT_EQ(read(path(batch(), "c.bmp")), QByteArray());
  EXPECT_EQ(QFileInfo(batch() + QStringLiteral("/a.bmp")).lastModified(), aDate);
  EXPECT_TRUE(entries(in()).isEmpty());
}

// The watched folder refuses deletions (a read-only mount, a folder the user may not write):
// nothing is copied, and a second try makes no second batch.
TEST_P(BothWaysTest, FolderThatRefusesDeletionsGetsNoBatchAtAll) {
  for (const QByteArray& name : abc) {
    put(name, name);
  }
  ScriptedFileOps refusing(GetParam()
                               ? acrossFileSystems([](Step step, const QByteArray& name, int) {
                                   return isSourceRename(step, name) ? EROFS : 0;
                                 })
                               : [](Step step, const QByteArray& name, int) {
                                   return isSourceRename(step, name) ? EROFS : 0;
                                 });
  for (int attempt = 0; attempt < 2; ++attempt) {
    const SaveResult result = saveBatch(request(abc), {&refusing, {}, nullptr});
    EXPECT_EQ(result.failure, SaveFailure::Other);
    EXPECT_TRUE(result.reason.contains(QStringLiteral("solo lectura")))
        << result.reason.toStdString();
    EXPECT_TRUE(entries(out()).isEmpty());
    EXPECT_EQ(entries(in()), (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
  }
  EXPECT_EQ(refusing.count(Step::Copy), 0);
}

// A step that fails part-way puts everything back: no batch folder, every source under its
// own name, no hidden or partial file anywhere; an undo that fails leaves the batch whole. Each
// row names its step and the file or folder it concerns, and must be reached on the way it is
// written for.
TEST_P(BothWaysTest, FailureAtAnyStepLeavesTheFoldersAsTheyWere) {
  enum Way { Move = 1, Copy = 2, Both = 3 };
  struct Case {
    Way way;
    Step step;
    const char* name;  // how the name ends
    int nth;           // among the steps of this kind on such a name
    int error;
    bool undo = false;
  };
  const std::vector<Case> cases = {
      {Both, Step::Write, ".varndel-journal.new", 0, ENOSPC},
      {Both, Step::Flush, ".varndel-journal.new", 0, EIO},
      {Both, Step::Rename, "b.bmp", 0, EIO},
      {Move, Step::Rename, "c.bmp", 0, ENOSPC},
      {Move, Step::Flush, "in", 0, EIO},
      {Copy, Step::Write, "-index.new", 0, ENOSPC},
      {Copy, Step::Copy, "-copy-1", 0, ENOSPC},
      {Copy, Step::Flush, "-copy-2", 0, EIO},
      {Copy, Step::Rename, "-copy-1", 0, EIO},
      {Copy, Step::Flush, "Fotos_532004_973", 1, EIO},
      {Copy, Step::Flush, "out", 1, EIO},
      {Copy, Step::Open, "Fotos_532004_973", 1, ENOENT},
      {Both, Step::Write, ".varndel-journal.new", 0, ENOSPC, true},
      {Both, Step::Rename, "b.bmp", 0, EIO, true},
      {Move, Step::Rename, "c.bmp", 0, ENOSPC, true},
      {Move, Step::Flush, "in", 0, EIO, true},
      {Copy, Step::Write, "-index.new", 0, ENOSPC, true},
      {Copy, Step::Copy, "-copy-1", 0, ENOSPC, true},
      {Copy, Step::Flush, "-copy-2", 0, EIO, true},
      {Copy, Step::Rename, "-copy-1", 0, EIO, true},
      {Copy, Step::Flush, "in", 1, EIO, true},
      {Copy, Step::Open, "in", 1, ENOENT, true},
  };
  for (const Case& c : cases) {
    if (!(c.way & (GetParam() ? Copy : Move))) {
      continue;
    }
    reset();
    for (const QByteArray& name : abc) {
      put(name, name + " content");
    }
    if (c.undo) {
      ASSERT_TRUE(saveBatch(request(abc)).ok());
    }
    const std::string label = std::string(c.undo ? "undo " : "save ") +
                              std::to_string(static_cast<int>(c.step)) + " " + c.name + " #" +
                              std::to_string(c.nth);
    int seen = 0;
    bool fired = false;
    const ScriptedFileOps::Script fault = [&](Step step, const QByteArray& name, int) {
      if (step != c.step || !name.endsWith(c.name) || seen++ != c.nth) {
        return 0;
      }
      fired = true;
      return c.error;
    };
    ScriptedFileOps failing(GetParam() ? acrossFileSystems(fault) : fault);
    const MoveReport result =
        c.undo ? MoveReport(undoBatch({batch(), in(), abc, out()}, {&failing, {}, nullptr}))
               : saveBatch(request(abc), {&failing, {}, nullptr});
    EXPECT_TRUE(fired) << label << ": never reached";
    EXPECT_FALSE(result.ok()) << label;
    const QString full = c.undo ? batch() : in();
    const QString empty = c.undo ? in() : out();
    EXPECT_TRUE(entries(empty).isEmpty()) << label << " " << entries(empty).join(' ').toStdString();
    EXPECT_EQ(entries(full), (QStringList{"a.bmp", "b.bmp", "c.bmp"})) << label;
    EXPECT_EQ(read(path(full, "b.bmp")), "b.bmp content") << label;
    // The user is told of the folder the file is in, in that folder's words.
    if (QByteArray(c.name).endsWith(".bmp")) {
      EXPECT_EQ(result.concerned, full + QLatin1Char('/') + QLatin1String(c.name)) << label;
      EXPECT_FALSE(result.reason.contains(c.undo ? QStringLiteral("monitorización")
                                                 : QStringLiteral("lote")))
          << label << " " << result.reason.toStdString();
    }
  }
}

// An undo gives back what the batch still holds: a name taken meanwhile keeps both files, a file
// added to the batch since stays there with its folder, and a file gone from it is told.
TEST_P(BothWaysTest, AnUndoReturnsWhatIsThereAndKeepsEverythingElse) {
  enum class Edit { None, NameTaken, FileAdded, FileRemoved, Unreadable, SwappedForLink };
  struct Case {
    Edit edit;
    QStringList watched;         // afterwards
    QStringList batch;           // afterwards; empty when the folder is gone
    const char* left = nullptr;  // why the one file left in the batch stayed
  };
  const std::vector<Case> cases = {
      {Edit::None, {"a.bmp", "b.bmp", "c.bmp"}, {}},
      {Edit::NameTaken, {"a.bmp", "b (conservado).bmp", "b.bmp", "c.bmp"}, {}},
      {Edit::FileAdded, {"a.bmp", "b.bmp", "c.bmp"}, {"nota.txt"}},
      {Edit::FileRemoved, {"a.bmp", "c.bmp"}, {}},
      {Edit::Unreadable,
       {"a.bmp", "c.bmp"},
       {"b.bmp"},
       "no se puede leer: no hay permiso de acceso"},
      {Edit::SwappedForLink,
       {"a.bmp", "c.bmp"},
       {"b.bmp"},
       "no se puede leer: es un enlace simbólico"},
  };
  for (const Case& c : cases) {
    reset();
    for (const QByteArray& name : abc) {
      put(name, name);
    }
    ASSERT_TRUE(saveBatch(request(abc)).ok());
    if (c.edit == Edit::NameTaken) {
      put("b.bmp", "newcomer");
    } else if (c.edit == Edit::FileAdded) {
      ASSERT_TRUE(QFile(batch() + QStringLiteral("/a.bmp")).copy(batch() + "/nota.txt"));
    } else if (c.edit == Edit::FileRemoved) {
      ASSERT_TRUE(QFile::remove(batch() + QStringLiteral("/b.bmp")));
    }
    const int label = static_cast<int>(c.edit);
    // Refused, or replaced by a link to another file, when the undo opens it to take it.
    const ScriptedFileOps::Script edit = [&](Step step, const QByteArray& name, int) {
      if (step != Step::Open || name != "b.bmp") {
        return 0;
      }
      if (c.edit == Edit::SwappedForLink) {
        EXPECT_EQ(unlink(path(batch(), "b.bmp").constData()), 0);
        EXPECT_EQ(symlink(path(dir.path(), "secreto").constData(), path(batch(), "b.bmp")), 0);
      }
      return c.edit == Edit::Unreadable ? EACCES : 0;
    };
    put("../secreto", "secret");
    ScriptedFileOps undoOps{GetParam() ? acrossFileSystems(edit) : edit};

    const UndoResult result = undoBatch({batch(), in(), abc, out()}, {&undoOps, {}, nullptr});

    ASSERT_TRUE(result.ok()) << label << result.reason.toStdString();
    EXPECT_EQ(entries(in()), c.watched) << label;
    EXPECT_EQ(QFileInfo::exists(batch()), !c.batch.isEmpty()) << label;
    EXPECT_EQ(entries(batch()), c.batch) << label;
    EXPECT_EQ(result.missing, c.edit == Edit::FileRemoved ? std::vector<QByteArray>{"b.bmp"}
                                                          : std::vector<QByteArray>{})
        << label;
    EXPECT_EQ(result.stayed.size(), static_cast<std::size_t>(c.batch.size() - (c.left ? 1 : 0)))
        << label;
    ASSERT_EQ(result.left.size(), c.left ? 1u : 0u) << label;
    if (c.left) {
      EXPECT_EQ(result.left[0].name, "b.bmp");
      EXPECT_TRUE(result.left[0].reason.startsWith(QString::fromUtf8(c.left)))
          << result.left[0].reason.toStdString();
    }
    for (const QString& name : entries(in())) {
      EXPECT_NE(read(path(in(), QFile::encodeName(name))), "secret") << label;
    }
    if (c.edit == Edit::NameTaken) {
      EXPECT_EQ(read(path(in(), "b.bmp")), "newcomer");
      EXPECT_EQ(read(path(in(), "b (conservado).bmp")), "b.bmp");
      EXPECT_EQ(result.renamed, std::vector<QByteArray>{"b (conservado).bmp"});
    }
  }
}

// Told to end in the middle of a save, the program rolls it back at the next file, whichever
// the step: every file once under its own name in the watched folder, nothing hidden left.
TEST_P(BothWaysTest, ASaveToldToStopRollsBackAtTheNextFile) {
  const std::vector<std::pair<Step, const char*>> points = {
      {Step::Rename, "b.bmp"}, {Step::Copy, "-copy-1"}, {Step::Flush, "-copy-0"}};
  for (const auto& [at, name] : points) {
    reset();
    for (const QByteArray& file : abc) {
      put(file, file);
    }
    std::atomic<bool> stop = false;
    const ScriptedFileOps::Script stopThere = [&](Step step, const QByteArray& file, int) {
      stop = stop || (step == at && file.endsWith(name));
      return 0;
    };
    ScriptedFileOps ops(GetParam() ? acrossFileSystems(stopThere) : stopThere);
    const SaveResult result = saveBatch(request(abc), {&ops, {}, nullptr, &stop});
    if (!stop) {
      continue;  // a step of the other way
    }
    EXPECT_FALSE(result.ok()) << name;
    EXPECT_EQ(entries(in()), (QStringList{"a.bmp", "b.bmp", "c.bmp"})) << name;
    EXPECT_TRUE(entries(out()).isEmpty()) << name;
  }
}

// A file that cannot be moved for a reason of its own (a bind mount, another user's file in a
// shared folder, an immutable file) is left with why, and the rest is saved.
TEST_P(BothWaysTest, OneFileThatCannotBeMovedIsLeftAndTheRestSaved) {
  for (const int error : {EBUSY, EPERM, EXDEV}) {
    reset();
    for (const QByteArray& name : abc) {
      put(name, name);
    }
    const ScriptedFileOps::Script refuseB = [error](Step step, const QByteArray& name, int) {
      return step == Step::Rename && name == "b.bmp" ? error : 0;
    };
    ScriptedFileOps ops(GetParam() ? acrossFileSystems(refuseB) : refuseB);
    const SaveResult result = saveBatch(request(abc), {&ops, {}, nullptr});
    ASSERT_TRUE(result.ok()) << error << result.reason.toStdString();
    EXPECT_EQ(result.moved, 2);
    ASSERT_EQ(result.left.size(), 1u);
    EXPECT_EQ(result.left[0].name, "b.bmp");
    EXPECT_EQ(entries(in()), QStringList{"b.bmp"});
    EXPECT_EQ(entries(batch()), (QStringList{"a.bmp", "c.bmp"}));
  }
}

// Every listed file taken by someone else before it could be moved: no empty folder stays.
TEST_P(BothWaysTest, NoFileMovedLeavesNoFolder) {
  for (const QByteArray& name : abc) {
    put(name, name);
  }
  const ScriptedFileOps::Script takeFirst = [this](Step step, const QByteArray& name, int) {
    if (step == Step::Rename && !name.startsWith(".varndel-")) {
      unlink(path(in(), name).constData());
    }
    return 0;
  };
  ScriptedFileOps ops(GetParam() ? acrossFileSystems(takeFirst) : takeFirst);
  const SaveResult result = saveBatch(request(abc), {&ops, {}, nullptr});
  EXPECT_TRUE(result.ok()) << result.reason.toStdString();
  EXPECT_EQ(result.moved, 0);
  EXPECT_TRUE(result.batchFolder.isEmpty());
  EXPECT_TRUE(entries(out()).isEmpty());
}

// A claimed file that cannot get its name back stays hidden, and so do the journal and the
// index that name it, until a recovery gives it back.
TEST_F(BatchSaveTest, AJournalStaysWhileAFileItNamesIsHidden) {
  for (const QByteArray& name : abc) {
    put(name, name);
  }
  ScriptedFileOps ops(acrossFileSystems([](Step step, const QByteArray& name, int) {
    const bool givingBack = step == Step::Rename && name.contains("-claim-");
    return step == Step::Copy || givingBack ? EIO : 0;
  }));
  const SaveResult result = saveBatch(request(abc), {&ops, {}, nullptr});
  EXPECT_FALSE(result.ok());
  EXPECT_TRUE(QFileInfo::exists(batch() + QStringLiteral("/.varndel-journal")));
  EXPECT_EQ(QDir(workFolderIn(in()))
                .entryList({QStringLiteral(".varndel-*-index")}, QDir::Hidden | QDir::Files)
                .size(),
            1);

  recoverInterruptedSaves(out(), in());
  EXPECT_EQ(entries(in()), (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
  EXPECT_TRUE(entries(out()).isEmpty());
}

// Across file systems: each copy is on the disk before it takes its name, the journal and the
// index before they take theirs, and the batch folder before the first original goes.
TEST_F(BatchSaveTest, EachFlushComesBeforeTheStepThatReliesOnIt) {
  for (const QByteArray& name : abc) {
    put(name, name);
  }
  ScriptedFileOps ops(acrossFileSystems());
  ASSERT_TRUE(saveBatch(request(abc), {&ops, {}, nullptr}).ok());
  const auto& steps = ops.steps();
  const auto at = [&](Step step, const QByteArray& name, std::size_t from = 0) {
    for (std::size_t i = from; i < steps.size(); ++i) {
      if (steps[i].first == step && steps[i].second.endsWith(name)) {
        return i;
      }
    }
    ADD_FAILURE() << "no step " << static_cast<int>(step) << " on " << name.constData();
    return steps.size();
  };
  for (const QByteArray draft : {".varndel-journal.new", "-index.new"}) {
    EXPECT_LT(at(Step::Flush, draft), at(Step::Rename, draft)) << draft.constData();
  }
  for (const QByteArray copy : {"-copy-0", "-copy-1", "-copy-2"}) {
    EXPECT_LT(at(Step::Flush, copy), at(Step::Rename, copy)) << copy.constData();
  }
  const std::size_t published = at(Step::Rename, "-copy-2");
  EXPECT_LT(at(Step::Flush, batchName.toUtf8(), published), at(Step::Unlink, "-claim-0"));
  const std::size_t lastFlush = at(Step::Flush, "in", at(Step::Unlink, "-claim-2"));
  EXPECT_LT(lastFlush, at(Step::Unlink, ".varndel-journal", lastFlush));
}

// Within one file system the watched folder is flushed once the renames are done, and the
// journal is on the disk before the first of them.
TEST_F(BatchSaveTest, TheRenameWayFlushesTheJournalFirstAndTheWatchedFolderLast) {
  for (const QByteArray& name : abc) {
    put(name, name);
  }
  ScriptedFileOps ops;
  ASSERT_TRUE(saveBatch(request(abc), {&ops, {}, nullptr}).ok());
  std::vector<std::pair<Step, QByteArray>> order;
  for (const auto& [step, name] : ops.steps()) {
    if ((step == Step::Rename || step == Step::Flush) && name != "out") {
      order.emplace_back(step, name);
    }
  }
  const std::vector<std::pair<Step, QByteArray>> expected = {
      {Step::Flush, ".varndel-journal.new"},
      {Step::Rename, ".varndel-journal.new"},
      {Step::Flush, batchName.toUtf8()},
      {Step::Rename, "a.bmp"},
      {Step::Rename, "b.bmp"},
      {Step::Rename, "c.bmp"},
      {Step::Flush, batchName.toUtf8()},
      {Step::Flush, "in"},
      {Step::Flush, batchName.toUtf8()},
  };
  EXPECT_EQ(order, expected);
}

// A new file that arrives under a claimed file's name is never touched: the claimed one comes
// back beside it, whether its save fails or content it gained meanwhile is written back.
TEST_F(BatchSaveTest, ANewcomerUnderAClaimedNameIsKeptAndTheOriginalComesBackBeside) {
  for (const bool failLater : {true, false}) {
    reset();
    put("a.bmp", "original");
    bool arrived = false;
    ScriptedFileOps ops(acrossFileSystems([&](Step step, const QByteArray& name, int) {
      if (!arrived && failLater && step == Step::Copy) {
        arrived = true;
        put("a.bmp", "newcomer");
        return EIO;
      }
      if (!arrived && !failLater && step == Step::Unlink && name.endsWith("-claim-0")) {
        arrived = true;
        QFile claimed(QFile::decodeName(path(workFolderIn(in()), name)));
        EXPECT_TRUE(claimed.open(QIODevice::Append));
        claimed.write(" and more");
        put("a.bmp", "newcomer");
      }
      return 0;
    }));
    saveBatch(request({"a.bmp"}), {&ops, {}, nullptr});
    EXPECT_TRUE(arrived);
    EXPECT_EQ(read(path(in(), "a.bmp")), "newcomer") << failLater;
    EXPECT_EQ(read(path(in(), "a (conservado).bmp")), failLater ? "original" : "original and more")
        << failLater;
  }
}

// Bytes added to a claimed original while it is copied, or bytes rewritten in place, keep the
// copy from being published.
TEST_F(BatchSaveTest, ASourceThatGrowsDuringItsCopyGoesBackAndIsNotPublished) {
  for (const bool grows : {true, false}) {
    reset();
    put("a.bmp", "original");
    ScriptedFileOps ops(acrossFileSystems([&](Step step, const QByteArray&, int) {
      if (step == Step::Copy) {
        const QString work = workFolderIn(in());
        for (const QString& claim : entries(work)) {
          QFile claimed(work + QLatin1Char('/') + claim);
          EXPECT_TRUE(claimed.open(grows ? QIODevice::Append : QIODevice::ReadWrite));
          claimed.write(grows ? " and more" : "ORIGINAL");
          claimed.close();
          timespec later[2] = {{0, UTIME_OMIT}, {time(nullptr) + 60, 0}};
          utimensat(AT_FDCWD, QFile::encodeName(claimed.fileName()).constData(), later, 0);
        }
      }
      return 0;
    }));
    const SaveResult result = saveBatch(request({"a.bmp"}), {&ops, {}, nullptr});
    EXPECT_EQ(result.moved, 0);
    EXPECT_EQ(entries(in()), QStringList{"a.bmp"});
    EXPECT_EQ(read(path(in(), "a.bmp")), grows ? "original and more" : "ORIGINAL");
    EXPECT_TRUE(entries(out()).isEmpty());
  }
}

// Another copy of the program saves the same watched folder while an undo publishes its copies
// there: what it takes is the user's file, and its original leaves the batch as planned.
TEST_F(BatchSaveTest, AnUndoWhileAnotherProcessSavesTheFolderLeavesEachFileOnce) {
  for (const QByteArray& name : abc) {
    put(name, name);
  }
  const SaveResult saved = saveBatch(request(abc));
  ASSERT_TRUE(saved.ok());
  const QString other = dir.filePath(QStringLiteral("other"));
  ASSERT_TRUE(QDir().mkpath(other));
  int watchedFlushes = 0;
  ScriptedFileOps ops(acrossFileSystems([&](Step step, const QByteArray& name, int) {
    if (step == Step::Flush && name == "in" && ++watchedFlushes == 2) {
      const pid_t child = fork();
      if (child == 0) {
        SaveRequest theirs = request(abc, QStringLiteral("Otro_"));
        theirs.base = other;
        _exit(saveBatch(theirs).moved == 3 ? 0 : 1);
      }
      int status = 1;
      EXPECT_EQ(waitpid(child, &status, 0), child);
      EXPECT_EQ(status, 0);
    }
    return 0;
  }));
  const UndoResult result = undoBatch(
      {batch(), in(), abc, out(), saved.batchDevice, saved.batchInode}, {&ops, {}, nullptr});
  EXPECT_TRUE(result.ok()) << result.reason.toStdString();
  EXPECT_EQ(watchedFlushes, 2);
  EXPECT_FALSE(QFileInfo::exists(batch()));
  EXPECT_TRUE(entries(in()).isEmpty());
  EXPECT_EQ(entries(other + QStringLiteral("/Otro_532004_973")),
            (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
}

// Names that another user plants in a shared watched folder fail no save or undo across file
// systems: an index's draft under the name it will have, or the program's own folder's name.
// What was planted stays as it was.
TEST_F(BatchSaveTest, NamesPlantedInTheWatchedFolderFailNoMove) {
  const QByteArray own = ".varndel-" + QByteArray::number(geteuid());
  for (const bool foreignFolder : {false, true}) {
    if (foreignFolder && geteuid() != 0) {
      continue;  // only root can give a folder to another user
    }
    reset();
    for (const QByteArray& name : abc) {
      put(name, name);
    }
    QStringList expected{"a.bmp", "b.bmp", "c.bmp"};
    if (foreignFolder) {
      ASSERT_EQ(mkdir(path(in(), own).constData(), 0700), 0);
      ASSERT_EQ(chown(path(in(), own).constData(), 65534, 65534), 0);
      expected << QString::fromLatin1(own);
    }
    const ScriptedFileOps::Script plantDraft = [&](Step step, const QByteArray& name, int) {
      if (!foreignFolder && step == Step::Open && name.endsWith("-index.new") &&
          !expected.contains(QString::fromLatin1(name))) {
        put(name, "");
        expected << QString::fromLatin1(name);
      }
      return 0;
    };
    ScriptedFileOps saveOps(acrossFileSystems(plantDraft));
    ScriptedFileOps undoOps(acrossFileSystems(plantDraft));
    const SaveResult saved = saveBatch(request(abc), {&saveOps, {}, nullptr});
    ASSERT_TRUE(saved.ok()) << foreignFolder << saved.reason.toStdString();
    EXPECT_EQ(entries(batch()), (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
    const UndoResult undone = undoBatch({batch(), in(), abc, out()}, {&undoOps, {}, nullptr});
    EXPECT_TRUE(undone.ok()) << foreignFolder << undone.reason.toStdString();
    expected.sort();
    EXPECT_EQ(entries(in()), expected);
    if (foreignFolder) {
      EXPECT_EQ(QFileInfo(QFile::decodeName(path(in(), own))).ownerId(), 65534u);
      EXPECT_TRUE(entries(QFile::decodeName(path(in(), own))).isEmpty());
    }
  }
}

// The history is read as untrusted: an undo acts only on a batch folder this program made,
// directly in the save folder or the watched folder, the user's own, closed to others' writes
// and the very folder the save made. Anything else is refused and nothing moves.
TEST_F(BatchSaveTest, AnUndoActsOnlyOnABatchThisProgramMade) {
  enum class Forged {
    None,
    Elsewhere,
    WatchedItself,
    Link,
    OpenToOthers,
    Replaced,
    Foreign,
    PrivateName
  };
  for (const Forged forged :
       {Forged::None, Forged::Elsewhere, Forged::WatchedItself, Forged::Link, Forged::OpenToOthers,
        Forged::Replaced, Forged::Foreign, Forged::PrivateName}) {
    const int label = static_cast<int>(forged);
    if (forged == Forged::Foreign && geteuid() != 0) {
      continue;  // only root can give a folder to another user
    }
    reset();
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    QDir(elsewhere).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(elsewhere + QStringLiteral("/secretos")));
    for (const QByteArray& name : abc) {
      put(name, name);
      ASSERT_TRUE(QFile::copy(in() + '/' + name, elsewhere + "/secretos/" + name));
    }
    const SaveResult saved = saveBatch(request(abc));
    ASSERT_TRUE(saved.ok());
    put("d.bmp", "watched");
    UndoRequest undo{batch(), in(), abc, out(), saved.batchDevice, saved.batchInode};
    const QByteArray batchPath = QFile::encodeName(batch());
    switch (forged) {
      case Forged::None:
        break;
      case Forged::Elsewhere:
        undo.batchFolder = elsewhere + QStringLiteral("/secretos");
        undo.batchDevice = 0;
        break;
      case Forged::WatchedItself:
        undo.batchFolder = in();
        undo.names = {"d.bmp"};
        undo.batchDevice = 0;
        break;
      case Forged::Link:
        ASSERT_EQ(rename(batchPath.constData(), (batchPath + "-real").constData()), 0);
        ASSERT_EQ(symlink((batchPath + "-real").constData(), batchPath.constData()), 0);
        break;
      case Forged::OpenToOthers:
        ASSERT_EQ(chmod(batchPath.constData(), 0777), 0);
        break;
      case Forged::Replaced:
        ASSERT_EQ(rename(batchPath.constData(), (batchPath + "-real").constData()), 0);
        ASSERT_TRUE(QDir().mkpath(batch()));
        for (const QByteArray& name : abc) {
          ASSERT_TRUE(QFile::copy(in() + "/d.bmp", batch() + '/' + name));
        }
        break;
      case Forged::Foreign:
        ASSERT_EQ(chown(batchPath.constData(), 65534, 65534), 0);
        break;
      case Forged::PrivateName:
        put("../out/Fotos_532004_973/.varndel-7-claim-0", "working");
        undo.names = {".varndel-7-claim-0", "../d.bmp", "a.bmp"};
        break;
    }
    const QStringList watchedBefore = entries(in());
    const UndoResult result = undoBatch(undo);
    if (forged == Forged::None) {
      EXPECT_TRUE(result.ok()) << result.reason.toStdString();
      EXPECT_EQ(entries(in()), (QStringList{"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
      continue;
    }
    if (forged == Forged::PrivateName) {
      EXPECT_TRUE(result.ok()) << result.reason.toStdString();
      EXPECT_EQ(entries(in()), (QStringList{"a.bmp", "d.bmp"}));
      EXPECT_EQ(read(path(batch(), ".varndel-7-claim-0")), "working");
      EXPECT_EQ(result.missing, (std::vector<QByteArray>{".varndel-7-claim-0", "../d.bmp"}));
      continue;
    }
    EXPECT_FALSE(result.ok()) << label;
    EXPECT_TRUE(result.reason.startsWith(QStringLiteral("no es un lote")))
        << label << " " << result.reason.toStdString();
    EXPECT_EQ(entries(in()), watchedBefore) << label;
    EXPECT_EQ(entries(elsewhere + QStringLiteral("/secretos")),
              (QStringList{"a.bmp", "b.bmp", "c.bmp"}))
        << label;
  }
}

INSTANTIATE_TEST_SUITE_P(RenameOrCopy, BothWaysTest, ::testing::Bool());

TEST_F(BatchSaveTest, TrailingSeparatorAndEmptyPrefix) {
  put("a.bmp", "a");
  SaveRequest withSlash = request({"a.bmp"}, QString());
  withSlash.base = out() + QLatin1Char('/');

  const SaveResult result = saveBatch(withSlash);

  ASSERT_TRUE(result.ok()) << result.reason.toStdString();
  EXPECT_EQ(result.batchFolder, out() + QStringLiteral("//532004_973"));
  EXPECT_EQ(read(path(out(), "532004_973/a.bmp")), "a");
}

TEST_F(BatchSaveTest, EmptyListStillCreatesTheFolder) {
  const SaveResult result = saveBatch(request({}));
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(QFileInfo(batch()).isDir());
  EXPECT_EQ(result.moved, 0);
}

TEST_F(BatchSaveTest, SecondSaveInTheSameSecondMovesNothing) {
  put("a.bmp", "a");
  ASSERT_TRUE(saveBatch(request({"a.bmp"})).ok());
  put("d.bmp", "d");

  const SaveResult second = saveBatch(request({"d.bmp"}));

  EXPECT_EQ(second.failure, SaveFailure::FolderExists);
  EXPECT_EQ(second.concerned, batch());
  EXPECT_EQ(entries(in()), QStringList{"d.bmp"});
  EXPECT_EQ(entries(batch()), QStringList{"a.bmp"});
}

TEST_F(BatchSaveTest, FileHeldOpenForWritingHoldsTheBatchBackUntilTooLong) {
  for (const QByteArray& name : abc) {
    put(name, name);
  }
  const int writer = open(path(in(), "b.bmp").constData(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);

  const SaveResult held = saveBatch(request(abc));
  EXPECT_EQ(held.failure, SaveFailure::InUse);
  EXPECT_EQ(held.concerned, in() + QStringLiteral("/b.bmp"));
  EXPECT_EQ(held.inUse, std::vector<QByteArray>{"b.bmp"});
  EXPECT_TRUE(entries(out()).isEmpty());

  SaveRequest tooLong = request(abc);
  tooLong.leaveIfInUse = {"b.bmp"};
  const SaveResult without = saveBatch(tooLong);
  close(writer);
  ASSERT_TRUE(without.ok()) << without.reason.toStdString();
  EXPECT_EQ(entries(batch()), (QStringList{"a.bmp", "c.bmp"}));
  ASSERT_EQ(without.left.size(), 1u);
  EXPECT_EQ(without.left[0].name, "b.bmp");
  EXPECT_EQ(entries(in()), QStringList{"b.bmp"});
}

// Where neither a lease nor an event can tell, a file is taken only once its content and its
// status have been quiet for 10 s: a truncation or a change of owner moves the change time alone.
TEST_F(BatchSaveTest, WithoutLeasesOrEventsAFileIsTakenAfterTenQuietSeconds) {
  struct Case {
    bool ageContent;  // modification time an hour back; the change time stays now
    int clockAhead;   // seconds the file clock runs ahead of the files' stamps
    bool inUse;
  };
  for (const Case& c :
       {Case{false, 5, true}, Case{true, 5, true}, Case{true, 11, false}, Case{false, 11, false}}) {
    reset();
    put("a.bmp", "a");
    if (c.ageContent) {
      age("a.bmp");
    }
    const InUseCheck quietRule{false,
                               [c] {
                                 timespec now{};
                                 clock_gettime(CLOCK_REALTIME, &now);
                                 now.tv_sec += c.clockAhead;
                                 return now;
                               },
                               {}};
    const SaveResult result = saveBatch(request({"a.bmp"}), {nullptr, quietRule, nullptr});
    EXPECT_EQ(result.failure == SaveFailure::InUse, c.inUse) << c.ageContent << c.clockAhead;
  }
}

// A batch held back by a file still being written looks at that file first at the next try,
// and at nothing else while it is still being written.
TEST_F(BatchSaveTest, AFileStillInUseIsLookedAtFirstAndAlone) {
  for (const QByteArray& name : abc) {
    put(name, name);
  }
  const int writer = open(path(in(), "c.bmp").constData(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  SaveRequest again = request(abc);
  again.lastInUse = {"c.bmp"};
  ScriptedFileOps ops;
  const SaveResult held = saveBatch(again, {&ops, {}, nullptr});
  close(writer);
  EXPECT_EQ(held.failure, SaveFailure::InUse);
  EXPECT_EQ(held.inUse, std::vector<QByteArray>{"c.bmp"});
  EXPECT_EQ(ops.count(Step::Open), 3);  // the two folders, then c.bmp
}

// No odd file blocks the others: each is left where it is, named with why, and the rest is
// saved. A name that is not UTF-8 is still a name: it is saved byte for byte.
TEST_F(BatchSaveTest, FilesThatCannotBeTakenAreLeftAndTheRestIsSaved) {
  const QByteArray odd("caf\xff\xfe.bmp");
  put("a.bmp", "a");
  put(odd, "odd");
  put("locked.bmp", "secret");
  ASSERT_TRUE(QDir(in()).mkdir(QStringLiteral("folder.bmp")));
  ASSERT_EQ(mkfifo(path(in(), "pipe.bmp").constData(), 0644), 0);
  ScriptedFileOps unreadable([](Step step, const QByteArray& name, int) {
    return step == Step::Open && name == "locked.bmp" ? EACCES : 0;
  });

  const SaveResult result =
      saveBatch(request({"a.bmp", "gone.bmp", odd, "locked.bmp", "folder.bmp", "pipe.bmp"}),
                {&unreadable, {}, nullptr});

  ASSERT_TRUE(result.ok()) << result.reason.toStdString();
  EXPECT_EQ(result.moved, 2);
  EXPECT_EQ(read(path(batch(), odd)), "odd");
  EXPECT_EQ(read(path(batch(), "a.bmp")), "a");
  std::vector<QByteArray> left;
  for (const LeftFile& file : result.left) {
    left.push_back(file.name);
    EXPECT_FALSE(file.reason.isEmpty());
  }
  EXPECT_EQ(left, (std::vector<QByteArray>{"gone.bmp", "locked.bmp", "folder.bmp", "pipe.bmp"}));
  EXPECT_EQ(read(path(in(), "locked.bmp")), "secret");
  EXPECT_EQ(displayName(odd), QStringLiteral("caf\uFFFD\uFFFD.bmp"));
}

TEST_F(BatchSaveTest, NothingThatCanBeTakenMakesNoFolder) {
  const SaveResult result = saveBatch(request({"gone.bmp"}));
  EXPECT_TRUE(result.ok()) << result.reason.toStdString();
  EXPECT_EQ(result.moved, 0);
  EXPECT_TRUE(result.batchFolder.isEmpty());
  EXPECT_TRUE(entries(out()).isEmpty());
}

TEST_F(BatchSaveTest, SaveFolderThatCannotHoldFoldersIsReported) {
  put("a.bmp", "a");
  SaveRequest intoFile = request({"a.bmp"});
  intoFile.base = in() + QStringLiteral("/a.bmp");
  SaveRequest intoNothing = request({"a.bmp"});
  intoNothing.base = dir.filePath(QStringLiteral("gone"));
  SaveRequest unset = request({"a.bmp"});
  unset.base.clear();

  for (const SaveRequest& bad : {intoFile, intoNothing, unset}) {
    const SaveResult result = saveBatch(bad);
    EXPECT_EQ(result.failure, SaveFailure::Other);
    EXPECT_EQ(read(path(in(), "a.bmp")), "a");
  }
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("gone"))));
  EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/Fotos_532004_973")));
}

// The stamp always follows the prefix, so "." and ".." name folders inside the save folder.
TEST_F(BatchSaveTest, OnlyAPrefixWithASlashIsRefused) {
  const std::vector<std::pair<QString, QString>> cases = {
      {QStringLiteral("../x"), QString()},
      {QStringLiteral("a/b"), QString()},
      {QStringLiteral("."), QStringLiteral(".532004_973")},
      {QStringLiteral(".."), QStringLiteral("..532004_973")},
  };
  for (const auto& [prefix, folder] : cases) {
    put("a.bmp", prefix.toUtf8());
    const SaveResult result = saveBatch(request({"a.bmp"}, prefix));
    if (folder.isEmpty()) {
      EXPECT_EQ(result.failure, SaveFailure::Other) << prefix.toStdString();
      EXPECT_EQ(result.concerned, prefix);
    } else {
      ASSERT_TRUE(result.ok()) << prefix.toStdString();
      EXPECT_EQ(read(path(out() + QLatin1Char('/') + folder, "a.bmp")), prefix.toUtf8());
    }
  }
  EXPECT_EQ(entries(dir.path()), (QStringList{"in", "out"}));
}

// Another program replaces a file (writes a new one and renames it over the name) or writes
// more into it while the batch is copied: its new content is never deleted. Nor is another
// user's file that they rename onto a claimed original's name just before its removal, in a
// watched folder open to everyone.
TEST_F(BatchSaveTest, ContentThatArrivesDuringACopyIsNeverDeleted) {
  enum class Change {
    ReplacedBeforeClaim,
    ReplacedBeforeDelete,
    AppendedBeforeDelete,
    RenamedOntoClaimBeforeDelete
  };
  const auto replace = [this] {
    put("a.bmp.part", "new picture");
    rename(path(in(), "a.bmp.part").constData(), path(in(), "a.bmp").constData());
  };
  // As another user, in a child process.
  const auto renameOntoClaim = [this](const QByteArray& claim) {
    const QByteArray from = path(in(), "theirs.bmp");
    const QByteArray onto = path(workFolderIn(in()), claim);
    const pid_t child = fork();
    if (child == 0) {
      const bool other = setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0;
      _exit(other ? rename(from.constData(), onto.constData()) : 2);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_NE(WEXITSTATUS(status), 2);
  };
  for (const Change change : {Change::ReplacedBeforeClaim, Change::ReplacedBeforeDelete,
                              Change::AppendedBeforeDelete, Change::RenamedOntoClaimBeforeDelete}) {
    if (change == Change::RenamedOntoClaimBeforeDelete) {
      if (geteuid() != 0) {
        continue;  // only root can act as another user
      }
      ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
      ASSERT_EQ(chmod(QFile::encodeName(in()).constData(), 0777), 0);
      put("theirs.bmp", "theirs");
      ASSERT_EQ(chown(path(in(), "theirs.bmp").constData(), 65534, 65534), 0);
    }
    put("a.bmp", "original");
    put("b.bmp", "b");
    bool done = false;
    ScriptedFileOps ops(acrossFileSystems([&](Step step, const QByteArray& name, int) {
      if (done) {
        return 0;
      }
      if (change == Change::ReplacedBeforeClaim && step == Step::Rename && name == "a.bmp") {
        replace();
        done = true;
      }
      if (change != Change::ReplacedBeforeClaim && step == Step::Unlink &&
          name.startsWith(".varndel-") && name.endsWith("-claim-0")) {
        if (change == Change::ReplacedBeforeDelete) {
          replace();
        } else if (change == Change::RenamedOntoClaimBeforeDelete) {
          renameOntoClaim(name);
        } else {
          QFile claimed(QFile::decodeName(path(workFolderIn(in()), name)));
          EXPECT_TRUE(claimed.open(QIODevice::Append));
          claimed.write(" and more");
        }
        done = true;
      }
      return 0;
    }));

    const SaveResult result = saveBatch(request({"a.bmp", "b.bmp"}), {&ops, {}, nullptr});

    const int c = static_cast<int>(change);
    ASSERT_TRUE(result.ok()) << c << result.reason.toStdString();
    EXPECT_TRUE(done) << c;
    EXPECT_EQ(read(path(batch(), "b.bmp")), "b") << c;
    const QByteArray kept = read(path(in(), "a.bmp"));
    const QByteArray saved = read(path(batch(), "a.bmp"));
    switch (change) {
      case Change::ReplacedBeforeClaim:
        EXPECT_EQ(kept, "new picture");
        EXPECT_EQ(saved, "<missing>");
        break;
      case Change::ReplacedBeforeDelete:
        EXPECT_EQ(kept, "new picture");
        EXPECT_EQ(saved, "original");
        break;
      case Change::AppendedBeforeDelete:
        EXPECT_EQ(kept, "original and more");
        EXPECT_EQ(saved, "original");
        break;
      case Change::RenamedOntoClaimBeforeDelete:
        EXPECT_EQ(kept, "<missing>");
        EXPECT_EQ(saved, "original");
        EXPECT_EQ(read(path(in(), "theirs.bmp")), "theirs");
        break;
    }
    reset();
  }
}

// Where no lease is granted (another user's file), the file events alone keep a file open for
// writing from being moved, however long its writer pauses; once closed, it goes whole.
TEST_F(BatchSaveTest, WithoutLeasesTheFileEventsTellAFileStillBeingWritten) {
  WriteWatch watch;
  watch.setFolder(in());
  if (!watch.armed()) {
    GTEST_SKIP() << "the system's inotify limits refuse a watch on " << in().toStdString();
  }
  const int writer = open(path(in(), "slow.bmp").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(write(writer, "first half", 10), 10);
  InUseCheck eventsOnly{false,
                        [] {
                          timespec later{};
                          clock_gettime(CLOCK_REALTIME, &later);
                          later.tv_sec += 3600;  // long past the time rule's reach
                          return later;
                        },
                        [&watch](const QByteArray& name, const timespec& modified) {
                          return watch.verdict(name, modified);
                        }};

  const SaveResult whileOpen = saveBatch(request({"slow.bmp"}), {nullptr, eventsOnly, nullptr});
  ASSERT_EQ(write(writer, " and second", 11), 11);
  close(writer);
  const SaveResult afterClose = saveBatch(request({"slow.bmp"}), {nullptr, eventsOnly, nullptr});

  EXPECT_EQ(whileOpen.failure, SaveFailure::InUse);
  ASSERT_TRUE(afterClose.ok()) << afterClose.reason.toStdString();
  EXPECT_EQ(read(path(batch(), "slow.bmp")), "first half and second");
}

}  // namespace
