// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ScriptedFileOps.h"
#include "common/TestSupport.h"
#include "monitor/MonitorSession.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString firstBatch = QStringLiteral("Fotos_532004_973");

// A monitoring session watching "in" and saving under "out" with prefix "Fotos_", on the
// world's clock, and what its views would have shown.
class WatchCycleTest : public ::testing::Test {
protected:
  void configure(const QString& minimum, const QString& saveFolder = QStringLiteral("out")) {
    world.writeWatchConfig(minimum, QStringLiteral("*.bmp"), saveFolder);
  }

  void drop(int count, const QString& stem = QStringLiteral("f")) {
    for (int i = 0; i < count; ++i) {
      world.writeFile(QStringLiteral("in/%1%2.bmp").arg(stem).arg(i), stem.toUtf8());
    }
  }

  // A tick, and the save it may have started run to their end.
  static void tick(MonitorSession& s) {
    s.watchTick();
    s.finishSave();
  }

  MonitorSession& session() {
    if (!session_) {
      session_ = std::make_unique<MonitorSession>(MonitorSession::Environment{
          world.path(QStringLiteral("Config.ini")), [this] { return world.now; }, fileOps, true,
          world.path(QStringLiteral("Historial.txt"))});
      follow(*session_);
      session_->load();
    }
    return *session_;
  }

  void follow(MonitorSession& s) {
    QObject::connect(&s, &MonitorSession::stateChanged, [this](bool on) { started = on; });
    QObject::connect(&s, &MonitorSession::countChanged, [this](int count) { shownCount = count; });
    QObject::connect(&s, &MonitorSession::notice,
                     [this](MonitorSession::NoticeKind kind, const QString& text) {
                       if (kind == MonitorSession::NoticeKind::Status) {
                         status = text;
                       } else if (kind == MonitorSession::NoticeKind::Standing) {
                         standing << text;
                       }
                     });
    QObject::connect(&s, &MonitorSession::saveReported,
                     [this](const MonitorSession::SaveReport& report) {
                       if (report.byHand && !report.text.isEmpty()) {
                         boxes.push_back({!report.result.ok(), {}, report.text});
                         if (whileABoxShows) {
                           whileABoxShows();
                         }
                       }
                     });
  }

  QStringList entries(const QString& relative) const {
    return QDir(world.path(relative))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
  }

  TestWorld world;
  std::shared_ptr<FileOps> fileOps;
  std::unique_ptr<MonitorSession> session_;
  int attempts = 0;
  // What the views were last told.
  bool started = false;
  int shownCount = -1;
  QString status;
  QStringList standing;  // each standing notice in turn, an empty one ending the last
  std::vector<ShownMessage> boxes;
  std::function<void()> whileABoxShows;
};

TEST_F(WatchCycleTest, NothingIsSavedUntilStartedThenTheFirstTickSaves) {
  configure(QStringLiteral("5"));
  drop(5);
  MonitorSession& s = session();
  s.statusTick();
  s.statusTick();
  EXPECT_FALSE(s.isStarted());
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  s.start();
  EXPECT_TRUE(s.isStarted());
  EXPECT_TRUE(started);
  tick(s);

  EXPECT_EQ(entries(QStringLiteral("out/") + firstBatch).size(), 5);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
  EXPECT_EQ(s.count(), 0);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(status,
            QStringLiteral("Lote guardado: ") + firstBatch + QStringLiteral(", 5 imágenes"));
}

TEST_F(WatchCycleTest, FourFilesWaitForTheFifth) {
  configure(QStringLiteral("5"));
  drop(4);
  MonitorSession& s = session();
  s.start();
  tick(s);
  EXPECT_EQ(s.count(), 4);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  world.writeFile(QStringLiteral("in/fifth.bmp"));
  tick(s);
  EXPECT_EQ(entries(QStringLiteral("out/") + firstBatch).size(), 5);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
}

class LowMinimumTest : public WatchCycleTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LowMinimumTest, SavesASingleFileButNeverAnEmptyFolder) {
  configure(QString::fromLatin1(GetParam()));
  MonitorSession& s = session();
  s.start();
  tick(s);
  tick(s);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  drop(1);
  tick(s);
  EXPECT_EQ(entries(QStringLiteral("out/") + firstBatch).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(ZeroOrBelow, LowMinimumTest, ::testing::Values("0", "-3"));

TEST_F(WatchCycleTest, MenuSaveGoesIntoTheWatchedFolderAndIsNotCountedAfterwards) {
  configure(QStringLiteral("5"));
  drop(3);
  MonitorSession& s = session();
  s.saveNow(MonitorSession::Base::WatchedFolder);
  s.finishSave();
  EXPECT_EQ(entries(QStringLiteral("in")), QStringList{firstBatch});
  EXPECT_EQ(entries(QStringLiteral("in/") + firstBatch).size(), 3);
  EXPECT_EQ(s.count(), 0);
  s.refreshList();
  EXPECT_EQ(s.count(), 0);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
}

TEST_F(WatchCycleTest, MenuSaveOfAnEmptyListMakesAnEmptyBatch) {
  configure(QStringLiteral("5"));
  MonitorSession& s = session();
  s.saveNow(MonitorSession::Base::WatchedFolder);
  s.finishSave();
  EXPECT_EQ(entries(QStringLiteral("in")), QStringList{firstBatch});
  EXPECT_TRUE(entries(QStringLiteral("in/") + firstBatch).isEmpty());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(WatchCycleTest, ListIsFreshAfterAManualSaveSoTheButtonAndPanelFollow) {
  configure(QStringLiteral("5"));
  drop(2);
  MonitorSession& s = session();
  EXPECT_TRUE(s.canSave());
  s.saveNow(MonitorSession::Base::SaveFolder);
  s.finishSave();
  s.statusTick();
  EXPECT_EQ(s.count(), 0);
  EXPECT_EQ(shownCount, 0);
  EXPECT_FALSE(s.canSave());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(WatchCycleTest, FailedManualSaveShowsOneBoxNamingTheFolderAndKeepsEveryFile) {
  configure(QStringLiteral("5"), QStringLiteral("missing"));
  drop(2);
  MonitorSession& s = session();
  s.saveNow(MonitorSession::Base::SaveFolder);
  s.finishSave();
  ASSERT_EQ(boxes.size(), 1u);
  const ShownMessage& box = boxes[0];
  EXPECT_TRUE(box.critical);
  EXPECT_TRUE(box.text.contains(world.path(QStringLiteral("missing"))));
  EXPECT_TRUE(box.text.contains(QStringLiteral("no existe")));
  EXPECT_TRUE(box.text.contains(QStringLiteral("No se ha perdido ningún archivo")));
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 2);
}

TEST_F(WatchCycleTest, ManualSaveOfAFileInUseNamesIt) {
  configure(QStringLiteral("5"));
  drop(2);
  const int writer =
      open(QFile::encodeName(world.path(QStringLiteral("in/f1.bmp"))).constData(), O_WRONLY);
  ASSERT_GE(writer, 0);
  session().saveNow(MonitorSession::Base::SaveFolder);
  session().finishSave();
  close(writer);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.contains(world.path(QStringLiteral("in/f1.bmp"))));
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 2);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
}

// A failing automatic save is told once, and not tried again in full at every tick: only when
// the list or the settings change, or 30 s later. A failure that lasts is recalled once its
// notice has faded.
TEST_F(WatchCycleTest, FailedAutomaticSaveIsToldOnceAndNotRetriedUntilSomethingChanges) {
  configure(QStringLiteral("1"), QStringLiteral("missing"));
  drop(1);
  const QByteArray missing = QFile::encodeName(world.path(QStringLiteral("missing")));
  auto ops =
      std::make_shared<ScriptedFileOps>([&](FileOps::Step step, const QByteArray& name, int) {
        attempts += step == FileOps::Step::Open && name == missing;
        return 0;
      });
  fileOps = ops;
  MonitorSession& s = session();
  s.start();
  tick(s);
  EXPECT_TRUE(status.contains(world.path(QStringLiteral("missing"))));
  status.clear();
  for (int second = 1; second < 30; ++second) {
    world.now = world.now.addSecs(1);
    tick(s);
  }
  EXPECT_EQ(attempts, 1);
  EXPECT_TRUE(status.isEmpty());
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(s.isStarted());

  world.now = world.now.addSecs(1);
  tick(s);
  EXPECT_EQ(attempts, 2);
  EXPECT_TRUE(status.isEmpty());
  world.now = world.now.addSecs(-3600);
  tick(s);
  EXPECT_EQ(attempts, 3) << "a clock set back does not keep the pause going";
  world.now = world.now.addSecs(3600 + 30);
  tick(s);
  EXPECT_TRUE(status.contains(world.path(QStringLiteral("missing"))))
      << "a failure that lasts is recalled once its notice has faded";

  drop(1, QStringLiteral("g"));
  tick(s);
  EXPECT_EQ(attempts, 5) << "a new file is worth a new try";
  world.makeFolder(QStringLiteral("missing"));
  world.now = world.now.addSecs(30);
  tick(s);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
}

// A file still being written holds its batch back, but for 30 s at most: then the others are
// saved, it is named once, and it follows in a later batch when it is closed.
TEST_F(WatchCycleTest, FileInUseHoldsTheBatchBackForThirtySecondsAtMost) {
  configure(QStringLiteral("1"));
  drop(2);
  const int writer =
      open(QFile::encodeName(world.path(QStringLiteral("in/f0.bmp"))).constData(), O_WRONLY);
  ASSERT_GE(writer, 0);
  MonitorSession& s = session();
  s.start();
  tick(s);
  world.now = world.now.addSecs(29);
  tick(s);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
  EXPECT_EQ(status, QStringLiteral("El lote espera a que termine de escribirse «f0.bmp»."))
      << "a batch that is due says what it waits for";

  world.now = world.now.addSecs(1);
  tick(s);
  EXPECT_EQ(entries(QStringLiteral("out")).size(), 1);
  EXPECT_EQ(entries(QStringLiteral("in")), QStringList{QStringLiteral("f0.bmp")});
  EXPECT_TRUE(status.contains(QStringLiteral("f0.bmp")));
  status.clear();
  world.now = world.now.addSecs(1);
  tick(s);
  EXPECT_TRUE(status.isEmpty());
  EXPECT_EQ(entries(QStringLiteral("out")).size(), 1);

  close(writer);
  world.now = world.now.addSecs(1);
  tick(s);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
  EXPECT_EQ(entries(QStringLiteral("out")).size(), 2);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(WatchCycleTest, SameSecondCollisionIsRetriedSilently) {
  configure(QStringLiteral("1"));
  world.makeFolder(QStringLiteral("out/") + firstBatch);
  drop(1);
  MonitorSession& s = session();
  s.start();
  tick(s);
  EXPECT_TRUE(status.isEmpty());
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 1);

  world.now = world.now.addSecs(1);
  tick(s);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
  EXPECT_EQ(entries(QStringLiteral("out/Fotos_532004_974")).size(), 1);
  EXPECT_TRUE(boxes.empty());
}

// A box, like a real modal box, lets timers fire while it is open.
TEST_F(WatchCycleTest, NoTickOrSaveRunsWhileAManualSaveIsReporting) {
  configure(QStringLiteral("1"));
  world.makeFolder(QStringLiteral("in/") + firstBatch);
  drop(2);
  MonitorSession& s = session();
  whileABoxShows = [&s] {
    s.watchTick();
    s.saveNow(MonitorSession::Base::SaveFolder);
  };
  s.start();

  s.saveNow(MonitorSession::Base::WatchedFolder);

  s.finishSave();

  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 3);
}

// With monitoring stopped, files that came since the last listing are not in the list: a save
// to the save folder, from the window's button or the tray alike, waits for them to be listed
// rather than make an empty batch.
TEST_F(WatchCycleTest, SaveByHandNeedsAListedFile) {
  configure(QStringLiteral("5"));
  MonitorSession& s = session();
  drop(2);
  s.statusTick();
  EXPECT_FALSE(s.canSave());
  s.saveNow(MonitorSession::Base::SaveFolder);
  s.finishSave();
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  s.refreshList();
  s.statusTick();
  EXPECT_TRUE(s.canSave());
  s.saveNow(MonitorSession::Base::SaveFolder);
  s.finishSave();
  EXPECT_EQ(entries(QStringLiteral("out/") + firstBatch).size(), 2);
}

// The watched folder renamed away while monitoring stands on the notice line, in the words of
// the start-up check, told once and again when monitoring starts; when it comes back the
// notice goes and files are saved again.
TEST_F(WatchCycleTest, WatchedFolderThatGoesAndComesBackIsToldWhileItLasts) {
  configure(QStringLiteral("1"));
  MonitorSession& s = session();
  s.start();
  const QString folder = world.path(QStringLiteral("in"));
  const QString gone = QStringLiteral("El directorio de monitorización no existe: ") + folder;
  ASSERT_TRUE(QDir().rename(folder, world.path(QStringLiteral("away"))));
  tick(s);
  EXPECT_EQ(standing, QStringList{gone});
  tick(s);
  s.start();
  EXPECT_EQ(standing, QStringList({gone, gone}));
  EXPECT_TRUE(status.isEmpty());

  ASSERT_TRUE(QDir().rename(world.path(QStringLiteral("away")), folder));
  drop(1);
  tick(s);
  EXPECT_EQ(standing, QStringList({gone, gone, QString()}));
  EXPECT_EQ(entries(QStringLiteral("in")), QStringList());
  EXPECT_TRUE(started);
}

// A folder that cannot be read from the start is said as such, from load on and not in the
// words of a folder whose events the system does not give.
TEST_F(WatchCycleTest, UnreadableWatchedFolderIsToldAsSuchNotAsEventsOff) {
  configure(QStringLiteral("1"));
  const QString folder = world.path(QStringLiteral("in"));
  ASSERT_EQ(chmod(QFile::encodeName(world.dir.path()).constData(), 0755), 0);
  ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0), 0);
  // Root reads any folder: the session then runs as another user, real and effective, with
  // root kept as the saved user to come back to.
  const bool asNobody = geteuid() == 0;
  const uid_t nobody = getpwnam("nobody")->pw_uid;
  ASSERT_TRUE(!asNobody || setresuid(nobody, nobody, 0) == 0);
  MonitorSession& s = session();
  const QStringList atLoad = standing;
  s.start();
  tick(s);
  session_.reset();
  ASSERT_TRUE(!asNobody || setresuid(0, 0, 0) == 0);
  chmod(QFile::encodeName(folder).constData(), 0700);
  const QString closed =
      QStringLiteral(
          "No se puede leer el directorio de monitorización %1: no hay permiso de "
          "acceso.")
          .arg(folder);
  EXPECT_EQ(atLoad, QStringList{closed});
  EXPECT_EQ(standing, QStringList({closed, closed}));
  EXPECT_TRUE(status.isEmpty());
}

}  // namespace
