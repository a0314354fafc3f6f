// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "windows/FrmLotes.h"
#include "windows/FrmMonitoreo.h"
#include "windows/TrayIcon.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

class FrmLotesTest : public ::testing::Test {
protected:
  FrmLotesTest() {
    world.writeWatchConfig(QStringLiteral("3"));
    context.trayAvailable = [] { return true; };
  }

  // A save by hand of three files, through the main window's button.
  void saveThree(FrmMonitoreo* w) {
    for (const char* name : {"in/a.bmp", "in/b.bmp", "in/c.bmp"}) {
      world.writeFile(QString::fromLatin1(name));
    }
    w->session().refreshList();
    w->session().statusTick();
    w->cmdguardar_Click();
    w->session().finishSave();
    world.now = world.now.addSecs(60);
  }

  static QStringList texts(const QList<QAction*>& actions) {
    QStringList shown;
    for (const QAction* action : actions) {
      shown << action->text();
    }
    return shown;
  }

  TestWorld world;
  AppContext context = world.context();
};

// The entry follows "Guardar Imagenes" in the menu and in the tray.
TEST_F(FrmLotesTest, TheEntryFollowsGuardarImagenesInTheMenuAndTheTray) {
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  const QStringList menu = texts(control<QMenu>(w, "mnuarchivo")->actions());
  EXPECT_EQ(menu.indexOf(QStringLiteral("&Lotes guardados…")),
            menu.indexOf(QStringLiteral("&Guardar Imagenes")) + 1);
  const QStringList tray =
      texts(w->findChild<TrayIcon*>(QStringLiteral("tray"))->menu()->actions());
  EXPECT_EQ(tray.indexOf(QStringLiteral("Lotes guardados…")),
            tray.indexOf(QStringLiteral("Guardar Imagenes")) + 1);
}

// Two batches listed newest first; the undo takes back the newest, stops monitoring and says
// so; the batch stays listed, greyed, as undone at that moment, and can be neither opened nor
// undone again.
TEST_F(FrmLotesTest, TheNewestBatchIsTakenBackAndMonitoringStops) {
  Forms forms(context);
  FrmMonitoreo* w = forms.show<FrmMonitoreo>();
  saveThree(w);
  saveThree(w);
  w->session().start();
  control<QMenu>(w, "mnuarchivo")->actions().at(1)->trigger();
  ASSERT_TRUE(forms.isOpen<FrmLotes>());
  FrmLotes* lotes = forms.get<FrmLotes>();
  QAbstractItemModel* list = control<QTreeView>(lotes, "lstlotes")->model();
  const QStringList batches =
      QDir(world.path("out")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  ASSERT_EQ(batches.size(), 2);
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(list->index(0, 1).data().toString(), batches[1]);
  EXPECT_EQ(list->index(1, 1).data().toString(), batches[0]);
  EXPECT_EQ(list->index(0, 2).data().toString(), QStringLiteral("3 imágenes"));
  EXPECT_TRUE(control<XPButton>(lotes, "cmddeshacer")->isEnabled());

  control<XPButton>(lotes, "cmdabrir")->click();
  EXPECT_EQ(world.openedFolders, QStringList{world.path("out/" + batches[1])});
  control<XPButton>(lotes, "cmddeshacer")->click();
  EXPECT_FALSE(w->session().isStarted());
  EXPECT_FALSE(control<QLabel>(lotes, "lblmonitor")->text().isEmpty());
  w->session().finishSave();

  EXPECT_EQ(QDir(world.path("in")).entryList(QDir::Files),
            (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
  EXPECT_FALSE(QFileInfo::exists(world.path("out/" + batches[1])));
  EXPECT_EQ(control<QLabel>(lotes, "lblresultado")->text(),
            QStringLiteral("Se devolvieron 3 imágenes al directorio de monitorización."));
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(list->index(0, 2).data().toString(), QStringLiteral("deshecho 05/03 09:09"));
  EXPECT_TRUE(list->index(0, 1).data(Qt::ForegroundRole).isValid());
  EXPECT_FALSE(list->index(1, 1).data(Qt::ForegroundRole).isValid());
  control<QTreeView>(lotes, "lstlotes")->setCurrentIndex(list->index(0, 0));
  EXPECT_FALSE(control<XPButton>(lotes, "cmdabrir")->isEnabled());
  EXPECT_FALSE(control<XPButton>(lotes, "cmddeshacer")->isEnabled());
  control<QTreeView>(lotes, "lstlotes")->setCurrentIndex(list->index(1, 0));
  EXPECT_TRUE(control<XPButton>(lotes, "cmddeshacer")->isEnabled());
}

}  // namespace
