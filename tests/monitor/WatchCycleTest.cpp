#include "app/Forms.h"
#include "common/TestSupport.h"
#include "controls/StatusPanels.h"
#include "controls/XPButton.h"
#include "monitor/FrmMonitoreo.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString firstBatch = QStringLiteral("Fotos_532004_973");

// A main window watching "in" and saving under "out" with prefix "Fotos_".
class WatchCycleTest : public ::testing::Test {
protected:
  void configure(const QString& minimum, const QString& saveFolder = QStringLiteral("out")) {
    world.makeFolder(QStringLiteral("in"));
    world.makeFolder(QStringLiteral("out"));
    world.writeConfig({QStringLiteral("Dir1=") + world.path(QStringLiteral("in")),
                       QStringLiteral("Dir2=") + world.path(saveFolder),
                       QStringLiteral("Pref=Fotos_"), QStringLiteral("Imagenes=") + minimum,
                       QStringLiteral("Ext=*.bmp"), QStringLiteral("Vis=0x1")});
  }

  void drop(int count, const QString& stem = QStringLiteral("f")) {
    for (int i = 0; i < count; ++i) {
      world.writeFile(QStringLiteral("in/%1%2.bmp").arg(stem).arg(i), stem.toUtf8());
    }
  }

  FrmMonitoreo* window() {
    if (!forms) {
      forms = std::make_unique<Forms>(world.context());
    }
    return forms->get<FrmMonitoreo>();
  }

  QStringList entries(const QString& relative) const {
    return QDir(world.path(relative))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
  }

  TestWorld world;
  std::unique_ptr<Forms> forms;
};

TEST_F(WatchCycleTest, NothingIsSavedUntilStartedThenTheFirstTickSaves) {
  configure(QStringLiteral("5"));
  drop(5);
  FrmMonitoreo* w = window();
  w->Timer2_Timer();
  w->Timer2_Timer();
  EXPECT_FALSE(w->Timer1.isActive());
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  w->cmdiniciar_Click();
  EXPECT_TRUE(w->Timer1.isActive());
  EXPECT_EQ(w->panel(1), QStringLiteral("Estado : Iniciado."));
  w->Timer1_Timer();

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
  w->Timer1_Timer();
  EXPECT_EQ(w->count(), 4);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  world.writeFile(QStringLiteral("in/fifth.bmp"));
  w->Timer1_Timer();
  EXPECT_EQ(entries(QStringLiteral("out/") + firstBatch).size(), 5);
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
}

class LowMinimumTest : public WatchCycleTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LowMinimumTest, SavesASingleFileButNeverAnEmptyFolder) {
  configure(QString::fromLatin1(GetParam()));
  FrmMonitoreo* w = window();
  w->cmdiniciar_Click();
  w->Timer1_Timer();
  w->Timer1_Timer();
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  drop(1);
  w->Timer1_Timer();
  EXPECT_EQ(entries(QStringLiteral("out/") + firstBatch).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(ZeroOrBelow, LowMinimumTest, ::testing::Values("0", "-3"));

TEST_F(WatchCycleTest, MenuSaveGoesIntoTheWatchedFolderAndIsNotCountedAfterwards) {
  configure(QStringLiteral("5"));
  drop(3);
  FrmMonitoreo* w = window();
  w->mnuguardar_Click();
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
  EXPECT_EQ(entries(QStringLiteral("in")), QStringList{firstBatch});
  EXPECT_TRUE(entries(QStringLiteral("in/") + firstBatch).isEmpty());
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(WatchCycleTest, ListIsFreshAfterAManualSaveSoTheButtonAndPanelFollow) {
  configure(QStringLiteral("5"));
  drop(2);
  FrmMonitoreo* w = window();
  EXPECT_TRUE(w->cmdguardar->isEnabled());
  w->cmdguardar_Click();
  w->Timer2_Timer();
  EXPECT_EQ(w->count(), 0);
  EXPECT_EQ(w->panel(2), QStringLiteral("Imagenes : 0"));
  EXPECT_FALSE(w->cmdguardar->isEnabled());
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(WatchCycleTest, FailedManualSaveShowsOneBoxNamingTheFolderAndKeepsEveryFile) {
  configure(QStringLiteral("5"), QStringLiteral("missing"));
  drop(2);
  FrmMonitoreo* w = window();
  w->cmdguardar_Click();
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
  close(writer);
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_TRUE(world.presenter->shown[0].text.contains(world.path(QStringLiteral("in/f1.bmp"))));
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 2);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
}

TEST_F(WatchCycleTest, FailedAutomaticSaveGivesOneNoticeAndNoBoxAndGoesOn) {
  configure(QStringLiteral("1"), QStringLiteral("missing"));
  drop(1);
  FrmMonitoreo* w = window();
  w->cmdiniciar_Click();
  w->Timer1_Timer();
  EXPECT_TRUE(w->Estado->notice().contains(world.path(QStringLiteral("missing"))));
  w->Estado->clearMessage();
  world.now = world.now.addSecs(1);
  w->Timer1_Timer();
  EXPECT_TRUE(w->Estado->notice().isEmpty());
  EXPECT_TRUE(world.presenter->shown.empty());
  EXPECT_TRUE(w->isMonitoring());

  world.now = world.now.addSecs(60);
  w->Timer1_Timer();
  EXPECT_TRUE(w->Estado->notice().contains(world.path(QStringLiteral("missing"))))
      << "a failure that lasts is recalled once its notice has faded";
  w->Estado->clearMessage();
  world.now = world.now.addSecs(1);
  w->Timer1_Timer();
  EXPECT_TRUE(w->Estado->notice().isEmpty());

  world.makeFolder(QStringLiteral("missing"));
  w->Timer1_Timer();
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
}

TEST_F(WatchCycleTest, FileInUseIsRetriedQuietlyAndNamedOnceAfterThirtySeconds) {
  configure(QStringLiteral("1"));
  drop(2);
  const int writer =
      open(QFile::encodeName(world.path(QStringLiteral("in/f0.bmp"))).constData(), O_WRONLY);
  ASSERT_GE(writer, 0);
  FrmMonitoreo* w = window();
  w->cmdiniciar_Click();
  w->Timer1_Timer();
  world.now = world.now.addSecs(30);
  w->Timer1_Timer();
  EXPECT_TRUE(w->Estado->notice().isEmpty());

  world.now = world.now.addSecs(1);
  w->Timer1_Timer();
  EXPECT_TRUE(w->Estado->notice().contains(world.path(QStringLiteral("in/f0.bmp"))));
  w->Estado->clearMessage();
  world.now = world.now.addSecs(10);
  w->Timer1_Timer();
  EXPECT_TRUE(w->Estado->notice().isEmpty());
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 2);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());

  close(writer);
  w->Timer1_Timer();
  EXPECT_TRUE(entries(QStringLiteral("in")).isEmpty());
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(WatchCycleTest, SameSecondCollisionIsRetriedSilently) {
  configure(QStringLiteral("1"));
  world.makeFolder(QStringLiteral("out/") + firstBatch);
  drop(1);
  FrmMonitoreo* w = window();
  w->cmdiniciar_Click();
  w->Timer1_Timer();
  EXPECT_TRUE(w->Estado->notice().isEmpty());
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 1);

  world.now = world.now.addSecs(1);
  w->Timer1_Timer();
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

  EXPECT_EQ(presenter->shown.size(), 1u);
  EXPECT_TRUE(entries(QStringLiteral("out")).isEmpty());
  EXPECT_EQ(entries(QStringLiteral("in")).size(), 3);
}

}  // namespace
