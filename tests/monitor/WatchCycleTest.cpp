#include "common/ScriptedFileOps.h"
#include "common/TestSupport.h"
#include "controls/StatusPanels.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "monitor/BatchJournal.h"
#include "windows/FrmMonitoreo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString firstBatch = QStringLiteral("Fotos_532004_973");

// A main window watching "in" and saving under "out" with prefix "Fotos_".
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
  static void tick(FrmMonitoreo* w) {
    w->Timer1_Timer();
    w->finishSave();
  }

  static StatusPanels* status(FrmMonitoreo* w) { return control<StatusPanels>(w, "Estado"); }

  FrmMonitoreo* window() {
    if (!forms) {
      forms = std::make_unique<Forms>(context);
    }
    return forms->get<FrmMonitoreo>();
  }

  QStringList entries(const QString& relative) const {
    return QDir(world.path(relative))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
  }

  TestWorld world;
  AppContext context = world.context();
  std::unique_ptr<Forms> forms;
  int attempts = 0;
};

TEST_F(WatchCycleTest, NothingIsSavedUntilStartedThenTheFirstTickSaves) {
  configure(QStringLiteral("5"));
  drop(5);
  FrmMonitoreo* w = window();
  w->Timer2_Timer();
  w->Timer2_Timer();
  EXPECT_FALSE(control<QTimer>(w, "Timer1")->isActive());
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  w->cmdiniciar_Click();
  EXPECT_TRUE(control<QTimer>(w, "Timer1")->isActive());
  EXPECT_EQ(w->panel(1), QStringLiteral("Estado : Iniciado."));
  tick(w);

  EXPECT_EQ(entries(QStringLiteral("out/") + firstBatch).size(), 5);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
  EXPECT_EQ(w->count(), 0);
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(WatchCycleTest, FourFilesWaitForTheFifth) {
  configure(QStringLiteral("5"));
  drop(4);
  FrmMonitoreo* w = window();
  w->mnuiniciar_Click();
  tick(w);
  EXPECT_EQ(w->count(), 4);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  world.writeFile(QStringLiteral("in/fifth.bmp"));
  tick(w);
  EXPECT_EQ(entries(QStringLiteral("out/") + firstBatch).size(), 5);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
}

class LowMinimumTest : public WatchCycleTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LowMinimumTest, SavesASingleFileButNeverAnEmptyFolder) {
  configure(QString::fromLatin1(GetParam()));
  FrmMonitoreo* w = window();
  w->cmdiniciar_Click();
  tick(w);
  tick(w);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  drop(1);
  tick(w);
  EXPECT_EQ(entries(QStringLiteral("out/") + firstBatch).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(ZeroOrBelow, LowMinimumTest, ::testing::Values("0", "-3"));

TEST_F(WatchCycleTest, MenuSaveGoesIntoTheWatchedFolderAndIsNotCountedAfterwards) {
  configure(QStringLiteral("5"));
  drop(3);
  FrmMonitoreo* w = window();
  w->mnuguardar_Click();
  w->finishSave();
  EXPECT_EQ(entries(QStringLiteral("in")), QStringList{firstBatch});
  EXPECT_EQ(entries(QStringLiteral("in/") + firstBatch).size(), 3);
  EXPECT_EQ(w->count(), 0);
  w->refreshList();
  EXPECT_EQ(w->count(), 0);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
}

TEST_F(WatchCycleTest, MenuSaveOfAnEmptyListMakesAnEmptyBatch) {
  configure(QStringLiteral("5"));
  FrmMonitoreo* w = window();
  w->mnuguardar_Click();
  w->finishSave();
  EXPECT_EQ(entries(QStringLiteral("in")), QStringList{firstBatch});
  EXPECT_TRUE(entries(QStringLiteral("in/") + firstBatch).isEmpty());
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(WatchCycleTest, ListIsFreshAfterAManualSaveSoTheButtonAndPanelFollow) {
  configure(QStringLiteral("5"));
  drop(2);
  FrmMonitoreo* w = window();
  EXPECT_TRUE(control<XPButton>(w, "cmdguardar")->isEnabled());
  w->cmdguardar_Click();
  w->finishSave();
  w->Timer2_Timer();
  EXPECT_EQ(w->count(), 0);
  EXPECT_EQ(w->panel(2), QStringLiteral("Imagenes : 0"));
  EXPECT_FALSE(control<XPButton>(w, "cmdguardar")->isEnabled());
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(WatchCycleTest, FailedManualSaveShowsOneBoxNamingTheFolderAndKeepsEveryFile) {
  configure(QStringLiteral("5"), QStringLiteral("missing"));
  drop(2);
  FrmMonitoreo* w = window();
  w->cmdguardar_Click();
  w->finishSave();
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  const ShownMessage& box = world.presenter->shown[0];
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
  window()->cmdguardar_Click();
  window()->finishSave();
  close(writer);
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_TRUE(world.presenter->shown[0].text.contains(world.path(QStringLiteral("in/f1.bmp"))));
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
  context.fileOps = ops;
  FrmMonitoreo* w = window();
  w->cmdiniciar_Click();
  tick(w);
  EXPECT_TRUE(status(w)->notice().contains(world.path(QStringLiteral("missing"))));
  status(w)->clearMessage();
  for (int second = 1; second < 30; ++second) {
    world.now = world.now.addSecs(1);
    tick(w);
  }
  EXPECT_EQ(attempts, 1);
  EXPECT_TRUE(status(w)->notice().isEmpty());
  EXPECT_TRUE(world.presenter->shown.empty());
  EXPECT_TRUE(w->isMonitoring());

  world.now = world.now.addSecs(1);
  tick(w);
  EXPECT_EQ(attempts, 2);
  EXPECT_TRUE(status(w)->notice().isEmpty());
  world.now = world.now.addSecs(30);
  tick(w);
  EXPECT_TRUE(status(w)->notice().contains(world.path(QStringLiteral("missing"))))
      << "a failure that lasts is recalled once its notice has faded";

  drop(1, QStringLiteral("g"));
  tick(w);
  EXPECT_EQ(attempts, 4) << "a new file is worth a new try";
  world.makeFolder(QStringLiteral("missing"));
  world.now = world.now.addSecs(30);
  tick(w);
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
  FrmMonitoreo* w = window();
  w->cmdiniciar_Click();
  tick(w);
  world.now = world.now.addSecs(29);
  tick(w);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
  EXPECT_TRUE(status(w)->notice().isEmpty());

  world.now = world.now.addSecs(1);
  tick(w);
  EXPECT_EQ(entries(QStringLiteral("out")).size(), 1);
  EXPECT_EQ(entries(QStringLiteral("in")), QStringList{QStringLiteral("f0.bmp")});
  EXPECT_TRUE(status(w)->notice().contains(QStringLiteral("f0.bmp")));
  status(w)->clearMessage();
  world.now = world.now.addSecs(1);
  tick(w);
  EXPECT_TRUE(status(w)->notice().isEmpty());
  EXPECT_EQ(entries(QStringLiteral("out")).size(), 1);

  close(writer);
  world.now = world.now.addSecs(1);
  tick(w);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
  EXPECT_EQ(entries(QStringLiteral("out")).size(), 2);
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(WatchCycleTest, SameSecondCollisionIsRetriedSilently) {
  configure(QStringLiteral("1"));
  world.makeFolder(QStringLiteral("out/") + firstBatch);
  drop(1);
  FrmMonitoreo* w = window();
  w->cmdiniciar_Click();
  tick(w);
  EXPECT_TRUE(status(w)->notice().isEmpty());
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 1);

  world.now = world.now.addSecs(1);
  tick(w);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
  EXPECT_EQ(entries(QStringLiteral("out/Fotos_532004_974")).size(), 1);
  EXPECT_TRUE(world.presenter->shown.empty());
}

// A presenter whose box, like a real modal box, lets timers fire while it is open.
class TickingPresenter : public RecordingPresenter {
public:
  void critical(const QString& title, const QString& text) override {
    RecordingPresenter::critical(title, text);
    if (window) {
      window->Timer1_Timer();
      window->cmdguardar_Click();
    }
  }
  FrmMonitoreo* window = nullptr;
};

TEST_F(WatchCycleTest, NoTickOrSaveRunsWhileAManualSaveIsReporting) {
  configure(QStringLiteral("1"));
  world.makeFolder(QStringLiteral("in/") + firstBatch);
  drop(2);
  auto presenter = std::make_shared<TickingPresenter>();
  AppContext context = world.context();
  context.presenter = presenter;
  Forms ticking(context);
  FrmMonitoreo* w = ticking.get<FrmMonitoreo>();
  presenter->window = w;
  w->cmdiniciar_Click();

  w->mnuguardar_Click();

  w->finishSave();

  EXPECT_EQ(presenter->shown.size(), 1u);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 3);
}

// The watched folder renamed away while monitoring is said once, in the words of the start-up
// check; when it comes back the notice goes and files are saved again.
TEST_F(WatchCycleTest, WatchedFolderThatGoesAndComesBackIsToldOnce) {
  configure(QStringLiteral("1"));
  FrmMonitoreo* w = window();
  w->cmdiniciar_Click();
  const QString folder = world.path(QStringLiteral("in"));
  ASSERT_TRUE(QDir().rename(folder, world.path(QStringLiteral("away"))));
  tick(w);
  EXPECT_EQ(status(w)->notice(),
            QStringLiteral("El directorio de monitorización no existe: ") + folder);
  status(w)->clearMessage();
  tick(w);
  EXPECT_TRUE(status(w)->notice().isEmpty());

  ASSERT_TRUE(QDir().rename(world.path(QStringLiteral("away")), folder));
  drop(1);
  tick(w);
  EXPECT_TRUE(status(w)->notice().isEmpty());
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
  EXPECT_EQ(w->panel(1), QStringLiteral("Estado : Iniciado."));
}

// A save cut short by a crash is put right when the program starts, and told once the window
// shows.
TEST_F(WatchCycleTest, InterruptedSaveIsPutRightAtStartAndTold) {
  configure(QStringLiteral("5"));
  drop(1);
  const QString batch = world.makeFolder(QStringLiteral("out/") + firstBatch);
  struct stat file {};
  struct stat watched {};
  ASSERT_EQ(stat(QFile::encodeName(world.path(QStringLiteral("in/f0.bmp"))).constData(), &file), 0);
  ASSERT_EQ(stat(QFile::encodeName(world.path(QStringLiteral("in"))).constData(), &watched), 0);
  ASSERT_TRUE(
      QFile::rename(world.path(QStringLiteral("in/f0.bmp")), batch + QStringLiteral("/f0.bmp")));
  BatchJournal journal{BatchJournal::Mode::Move, watched.st_dev, watched.st_ino, {}};
  journal.entries.push_back({"f0.bmp", {}, {}, identityOf(file)});
  QFile written(batch + QLatin1Char('/') + QString::fromLatin1(journalName));
  ASSERT_TRUE(written.open(QIODevice::WriteOnly));
  written.write(formatJournal(journal));
  written.close();

  Forms shown(context);
  FrmMonitoreo* w = shown.show<FrmMonitoreo>();
  QCoreApplication::sendPostedEvents();

  EXPECT_EQ(entries(QStringLiteral("in")), QStringList{QStringLiteral("f0.bmp")});
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
  EXPECT_EQ(w->count(), 1);
  EXPECT_TRUE(
      status(w)->notice().contains(QStringLiteral("Guardado interrumpido recuperado: 1 archivos")));
}

}  // namespace
