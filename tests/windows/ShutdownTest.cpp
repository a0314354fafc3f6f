// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/MainWindowTest.h"
#include "windows/FrmAcerca.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

class ShutdownTest : public MainWindowTest {
protected:
  ShutdownTest() : MainWindowTest(QStringLiteral("2"), QStringLiteral("*.*")) { dropThree(); }

  // Closes the main window one way or another while monitoring with files waiting, and
  // checks that the About box went first, after monitoring had stopped, and nothing was saved.
  void closeWhileMonitoring(void (*closeIt)(FrmMonitoreo*)) {
    FrmMonitoreo* w = show();
    w->cmdiniciar_Click();
    auto* about = forms->show<FrmAcerca>();
    bool monitoringWhenAboutClosed = true;
    QString panelWhenAboutClosed;
    QObject::connect(about, &Form::closed, [&] {
      monitoringWhenAboutClosed = w->session().isStarted();
      panelWhenAboutClosed = w->panel(1);
    });

    closeIt(w);

    EXPECT_FALSE(monitoringWhenAboutClosed);
    EXPECT_EQ(panelWhenAboutClosed, QStringLiteral("Estado : Detenido."));
    EXPECT_FALSE(forms->isOpen<FrmAcerca>());
    EXPECT_FALSE(forms->isOpen<FrmMonitoreo>());
    EXPECT_TRUE(forms->shuttingDown());
    EXPECT_EQ(world.quitCalls, 1);
    flushDeletes();
    EXPECT_EQ(QDir(world.path(QStringLiteral("in"))).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(QDir(world.path(QStringLiteral("out")))
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                    .isEmpty());
    EXPECT_TRUE(world.presenter->shown.empty());
  }
};

TEST_F(ShutdownTest, CerrarEndsAtOnceWithoutSavingOrAsking) {
  closeWhileMonitoring([](FrmMonitoreo* w) { w->mnucerrar_Click(); });
}

TEST_F(ShutdownTest, CloseBoxBehavesAsCerrar) {
  closeWhileMonitoring([](FrmMonitoreo* w) { w->close(); });
}

TEST_F(ShutdownTest, MinimisingKeepsBothTimersAndAutomaticSaves) {
  FrmMonitoreo* w = show();
  w->cmdiniciar_Click();
  w->mnuminimizar_Click();
  EXPECT_TRUE(w->isMinimized());
  EXPECT_TRUE(control<QTimer>(w, "watchTimer")->isActive());
  EXPECT_TRUE(control<QTimer>(w, "statusTimer")->isActive());
  w->session().watchTick();
  w->session().finishSave();
  EXPECT_EQ(QDir(world.path(QStringLiteral("out/Fotos_532004_973"))).entryList(QDir::Files).size(),
            3);
}

}  // namespace
