// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ScriptedFileOps.h"
#include "common/TestSupport.h"
#include "controls/NoticeLine.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "windows/FrmMonitoreo.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

// Holds the save's worker at its first move until the test opens it.
class Gate {
public:
  void waitAtFirst(FileOps::Step step, const QByteArray& name) {
    if (step != FileOps::Step::Rename || name.startsWith(".varndel-")) {
      return;
    }
    std::unique_lock lock(mutex_);
    reached_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  void awaitWorker() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return reached_; });
  }
  void open() {
    const std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool reached_ = false;
  bool open_ = false;
};

class SaveInBackgroundTest : public ::testing::Test {
protected:
  SaveInBackgroundTest() {
    world.writeWatchConfig(QStringLiteral("3"));
    for (const char* name : {"in/a.bmp", "in/b.bmp", "in/c.bmp"}) {
      world.writeFile(QString::fromLatin1(name));
    }
    context.fileOps = ops;
  }

  QStringList saved() const {
    return QDir(world.path(QStringLiteral("out/Fotos_532004_973"))).entryList(QDir::Files);
  }

  TestWorld world;
  Gate gate;
  std::shared_ptr<ScriptedFileOps> ops =
      std::make_shared<ScriptedFileOps>([this](FileOps::Step step, const QByteArray& name, int) {
        gate.waitAtFirst(step, name);
        return 0;
      });
  AppContext context = world.context();
};

// While a save is under way the window goes on answering: its progress shows, its commands
// work, and no tick or second save gets in.
TEST_F(SaveInBackgroundTest, WindowAnswersWhileASaveRuns) {
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  w->cmdiniciar_Click();
  w->session().watchTick();
  gate.awaitWorker();

  EXPECT_TRUE(w->session().isSaving());
  w->session().statusTick();
  EXPECT_EQ(control<NoticeLine>(w, "lblaviso")->notice(), QStringLiteral("Guardando lote: 0 de 3"));
  w->session().watchTick();
  w->cmdguardar_Click();
  w->mnuguardar_Click();
  w->mnudetener_Click();
  QCoreApplication::processEvents();
  EXPECT_EQ(ops->count(FileOps::Step::MakeFolder), 1);
  EXPECT_EQ(w->panel(1), QStringLiteral("Estado : Detenido."));

  gate.open();
  w->session().finishSave();
  EXPECT_EQ(saved().size(), 3);
  EXPECT_EQ(w->session().count(), 0);
  EXPECT_TRUE(world.presenter->shown.empty());

  // The batch is told on the line, and a click on it opens the batch, or says where it is
  // when the desktop cannot.
  auto* line = control<NoticeLine>(w, "lblaviso");
  const QString batch = world.path(QStringLiteral("out/Fotos_532004_973"));
  EXPECT_EQ(line->notice(), QStringLiteral("Lote guardado: Fotos_532004_973, 3 imágenes"));
  QTest::mouseClick(line, Qt::LeftButton);
  EXPECT_EQ(world.openedFolders, QStringList{batch});
  EXPECT_TRUE(world.presenter->shown.empty());
  world.folderOpens = false;
  QTest::mouseClick(line, Qt::LeftButton);
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_TRUE(world.presenter->shown[0].text.endsWith(QStringLiteral("\n\n") + batch));
}

// The close box ends the program once the save has ended whole; until then the window stays
// in view with the save's progress, and nothing new starts.
TEST_F(SaveInBackgroundTest, ClosingDuringASaveEndsTheProgramAfterIt) {
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  w->cmdguardar_Click();
  gate.awaitWorker();

  w->close();
  w->session().statusTick();
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(control<NoticeLine>(w, "lblaviso")->notice(), QStringLiteral("Guardando lote: 0 de 3"));
  w->cmdiniciar_Click();
  EXPECT_FALSE(w->session().isStarted());
  EXPECT_FALSE(control<XPButton>(w, "cmdiniciar")->isEnabled());
  EXPECT_EQ(world.quitCalls, 0);

  gate.open();
  w->session().finishSave();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(world.quitCalls, 1);
  EXPECT_EQ(saved().size(), 3);
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(SaveInBackgroundTest, StartingAgainKeepsTheWatchTimerRunningAsItWas) {
  gate.open();
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  w->cmdiniciar_Click();
  const int timer = control<QTimer>(w, "Timer1")->timerId();
  w->mnuiniciar_Click();
  EXPECT_EQ(control<QTimer>(w, "Timer1")->timerId(), timer);
  EXPECT_EQ(w->panel(1), QStringLiteral("Estado : Iniciado."));
}

}  // namespace
