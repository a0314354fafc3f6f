#include "common/TestSupport.h"
#include "windows/TrayIcon.h"
#include "forms/Forms.h"
#include "windows/FrmMonitoreo.h"

#include <QAction>
#include <QDir>

#include <gtest/gtest.h>

namespace {

class TrayTest : public ::testing::Test {
protected:
  TrayTest() {
    world.writeWatchConfig(QStringLiteral("3"));
    context.trayAvailable = [] { return true; };
  }

  void drop() const {
    for (const char* name : {"in/a.bmp", "in/b.bmp", "in/c.bmp"}) {
      world.writeFile(QString::fromLatin1(name));
    }
  }

  // The tray's menu entry with that text, as the user picks it.
  static void choose(TrayIcon* tray, const QString& text) {
    for (QAction* action : tray->menu()->actions()) {
      if (action->text() == text) {
        action->trigger();
        return;
      }
    }
    FAIL() << "no tray entry " << text.toStdString();
  }

  TestWorld world;
  AppContext context = world.context();
};

TEST_F(TrayTest, MenuRunsTheWindowsCommandsAndTheTooltipFollowsTheState) {
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  auto* tray = w->findChild<TrayIcon*>(QStringLiteral("tray"));
  ASSERT_NE(tray, nullptr);

  choose(tray, QStringLiteral("Iniciar"));
  EXPECT_TRUE(w->isMonitoring());
  w->Timer2_Timer();
  EXPECT_EQ(tray->state(), QStringLiteral("Varndel — Iniciado, 0 imágenes"));
  choose(tray, QStringLiteral("Detener"));
  EXPECT_FALSE(w->isMonitoring());
  w->Timer2_Timer();
  EXPECT_EQ(tray->state(), QStringLiteral("Varndel — Detenido, 0 imágenes"));
}

// A notice only while the window is out of sight: otherwise the status bar tells.
TEST_F(TrayTest, AutomaticSaveIsToldInTheTrayOnlyWhileTheWindowIsMinimised) {
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  auto* tray = w->findChild<TrayIcon*>(QStringLiteral("tray"));
  ASSERT_NE(tray, nullptr);
  w->cmdiniciar_Click();
  drop();
  w->Timer1_Timer();
  w->finishSave();
  EXPECT_TRUE(tray->lastNotice().isEmpty());

  w->mnuminimizar_Click();
  world.now = world.now.addSecs(1);
  drop();
  w->Timer1_Timer();
  w->finishSave();
  EXPECT_EQ(tray->lastNotice(), QStringLiteral("Lote guardado: Fotos_532004_974, 3 imágenes"));
}

TEST_F(TrayTest, NoTrayUntilTheDesktopHasOne) {
  bool available = false;
  context.trayAvailable = [&] { return available; };
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  w->Timer2_Timer();
  EXPECT_EQ(w->findChild<TrayIcon*>(), nullptr);
  available = true;
  w->Timer2_Timer();
  EXPECT_NE(w->findChild<TrayIcon*>(), nullptr);
}

}  // namespace
