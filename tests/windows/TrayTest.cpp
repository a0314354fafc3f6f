// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "windows/FrmMonitoreo.h"
#include "windows/TrayIcon.h"

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

  // The tray's menu entry with that text.
  static QAction* entry(TrayIcon* tray, const QString& text) {
    for (QAction* action : tray->menu()->actions()) {
      if (action->text() == text) {
        return action;
      }
    }
    throw std::invalid_argument("no tray entry " + text.toStdString());
  }

  // The entry, as the user picks it.
  static void choose(TrayIcon* tray, const QString& text) { entry(tray, text)->trigger(); }

  TestWorld world;
  AppContext context = world.context();
};

TEST_F(TrayTest, MenuRunsTheWindowsCommandsAndTheTooltipFollowsTheState) {
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  auto* tray = w->findChild<TrayIcon*>(QStringLiteral("tray"));
  ASSERT_NE(tray, nullptr);

  choose(tray, QStringLiteral("Iniciar"));
  EXPECT_TRUE(w->session().isStarted());
  w->session().statusTick();
  EXPECT_EQ(tray->state(), QStringLiteral("Varndel — Iniciado, 0 imágenes"));
  choose(tray, QStringLiteral("Detener"));
  EXPECT_FALSE(w->session().isStarted());
  w->session().statusTick();
  EXPECT_EQ(tray->state(), QStringLiteral("Varndel — Detenido, 0 imágenes"));
  // While a save runs, its progress: the program may be waiting for it to end.
  emit w->session().progressChanged(QStringLiteral("Guardando lote: 1 de 3"));
  EXPECT_EQ(tray->state(), QStringLiteral("Varndel — Guardando lote: 1 de 3"));
}

// A notice only while the window is out of sight: otherwise the status bar tells.
TEST_F(TrayTest, AutomaticSaveIsToldInTheTrayOnlyWhileTheWindowIsMinimised) {
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  auto* tray = w->findChild<TrayIcon*>(QStringLiteral("tray"));
  ASSERT_NE(tray, nullptr);
  w->cmdiniciar_Click();
  drop();
  w->session().watchTick();
  w->session().finishSave();
  EXPECT_TRUE(tray->lastNotice().isEmpty());

  w->mnuminimizar_Click();
  world.now = world.now.addSecs(1);
  drop();
  w->session().watchTick();
  w->session().finishSave();
  EXPECT_EQ(tray->lastNotice(), QStringLiteral("Lote guardado: Fotos_532004_974, 3 imágenes"));
  tray->noticeClicked();
  EXPECT_EQ(world.openedFolders, QStringList{world.path(QStringLiteral("out/Fotos_532004_974"))});
}

TEST_F(TrayTest, NoTrayUntilTheDesktopHasOne) {
  bool available = false;
  context.trayAvailable = [&] { return available; };
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  w->session().statusTick();
  EXPECT_EQ(w->findChild<TrayIcon*>(), nullptr);
  available = true;
  for (int tick = 0; tick < 6; ++tick) {  // the desktop is asked every 3 s
    w->session().statusTick();
  }
  EXPECT_NE(w->findChild<TrayIcon*>(), nullptr);
}

// With monitoring stopped, files that arrive are not listed: the window reads "Imagenes : 0"
// with its button greyed, and the tray's "Guardar Imagenes" is greyed with it and saves nothing.
TEST_F(TrayTest, SaveIsOfferedExactlyWhenTheWindowOffersIt) {
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  auto* tray = w->findChild<TrayIcon*>(QStringLiteral("tray"));
  ASSERT_NE(tray, nullptr);
  QAction* save = entry(tray, QStringLiteral("Guardar Imagenes"));
  auto* cmdguardar = control<XPButton>(w, "cmdguardar");
  world.writeFile(QStringLiteral("in/a.bmp"));
  world.writeFile(QStringLiteral("in/b.bmp"));
  w->session().statusTick();
  EXPECT_EQ(w->panel(2), QStringLiteral("Imagenes : 0"));
  EXPECT_FALSE(cmdguardar->isEnabled());
  EXPECT_FALSE(save->isEnabled());
  w->session().saveNow(MonitorSession::Base::SaveFolder);
  w->session().finishSave();
  EXPECT_TRUE(QDir(world.path(QStringLiteral("out"))).isEmpty());

  w->session().refreshList();
  w->session().statusTick();
  EXPECT_TRUE(cmdguardar->isEnabled());
  EXPECT_TRUE(save->isEnabled());
  choose(tray, QStringLiteral("Guardar Imagenes"));
  w->session().finishSave();
  EXPECT_EQ(QDir(world.path(QStringLiteral("out/Fotos_532004_973"))).entryList(QDir::Files).size(),
            2);
}

}  // namespace
