// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmVisor.h"

#include "common/ViewerTestSupport.h"
#include "controls/DrawingSurface.h"
#include "controls/DriveList.h"
#include "controls/FileList.h"
#include "controls/FolderList.h"
#include "forms/Forms.h"
#include "windows/FrmMonitoreo.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class FrmVisorTest : public ::testing::Test {
protected:
  QString out(const QString& name = {}) const {
    return world.path(QStringLiteral("out")) +
           (name.isEmpty() ? QString() : QLatin1Char('/') + name);
  }

  TestWorld world;
};

TEST_F(FrmVisorTest, OpensOnTheSaveFolderAndShowsItsFirstPcx) {
  setUpSaveFolder(world, {QStringLiteral("pal8.pcx"), QStringLiteral("rgb24.pcx")});
  QFile::rename(out(QStringLiteral("pal8.pcx")), out(QStringLiteral("A.PCX")));
  world.writeFile(QStringLiteral("out/c.bmp"));
  world.writeFile(QStringLiteral("out/.oculto.pcx"));
  world.makeFolder(QStringLiteral("out/Lote_1"));
  world.makeFolder(QStringLiteral("out/carpeta.pcx"));

  Forms forms(world.context());
  FrmVisor* visor = forms.show<FrmVisor>();

  EXPECT_EQ(control<FolderList>(visor, "Dir1")->path(), out());
  ASSERT_EQ(control<FileList>(visor, "File1")->count(), 2);
  EXPECT_EQ(control<FileList>(visor, "File1")->item(0)->text(), QStringLiteral("A.PCX"));
  EXPECT_EQ(control<FileList>(visor, "File1")->item(1)->text(), QStringLiteral("rgb24.pcx"));
  EXPECT_EQ(control<QLabel>(visor, "LblImagenes")->text(),
            QStringLiteral("Número de Imagenes : 2"));
  EXPECT_EQ(control<QLabel>(visor, "lbldirectorios")->text(),
            QStringLiteral("Número de Directorios : 2"));
  EXPECT_EQ(control<QLabel>(visor, "LblFichero")->text(), QStringLiteral("Imagen : A.PCX"));
  EXPECT_EQ(control<FileList>(visor, "File1")->currentRow(), 0);
  EXPECT_TRUE(showsPicture(control<DrawingSurface>(visor, "Picture2")->canvas(),
                           QStringLiteral("pal8.ppm")));
  EXPECT_EQ(visor->bitmapActual().kind, BitmapGfl::colourMapped);
  EXPECT_TRUE(world.presenter->shown.empty());
  // The close box has no caption; a screen reader still says what it does.
  EXPECT_EQ(control<QPushButton>(visor, "CmdAceptar")->accessibleName(),
            QStringLiteral("Cerrar el visor"));
}

TEST_F(FrmVisorTest, FolderWithoutPcxSelectsAndDrawsNothing) {
  setUpSaveFolder(world, {});
  world.writeFile(QStringLiteral("out/foto.bmp"));
  Forms forms(world.context());
  FrmVisor* visor = forms.show<FrmVisor>();

  EXPECT_EQ(control<FileList>(visor, "File1")->count(), 0);
  EXPECT_EQ(control<QLabel>(visor, "LblImagenes")->text(),
            QStringLiteral("Número de Imagenes : 0"));
  EXPECT_EQ(control<QLabel>(visor, "lbldirectorios")->text(),
            QStringLiteral("Número de Directorios : 0"));
  EXPECT_EQ(control<QLabel>(visor, "LblFichero")->text(), QString());
  EXPECT_EQ(visor->bitmapActual().rows, nullptr);
  const QImage canvas = control<DrawingSurface>(visor, "Picture2")->canvas();
  EXPECT_EQ(canvas.pixel(0, 0), canvas.pixel(canvas.width() - 1, canvas.height() - 1));
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(FrmVisorTest, FolderChangeUpdatesTheCountsButKeepsThePicture) {
  setUpSaveFolder(world, {QStringLiteral("rgb24.pcx")});
  world.makeFolder(QStringLiteral("out/Lote_1/sub"));
  copyFixture(world, QStringLiteral("two.pcx"), QStringLiteral("out/Lote_1/a.pcx"));
  copyFixture(world, QStringLiteral("grey.pcx"), QStringLiteral("out/Lote_1/b.pcx"));
  Forms forms(world.context());
  FrmVisor* visor = forms.show<FrmVisor>();
  const QImage before = control<DrawingSurface>(visor, "Picture2")->canvas().copy();
  const std::uint8_t* rows = visor->bitmapActual().rows;

  ASSERT_TRUE(control<FolderList>(visor, "Dir1")->setPath(out(QStringLiteral("Lote_1"))));

  EXPECT_EQ(control<QLabel>(visor, "LblImagenes")->text(),
            QStringLiteral("Número de Imagenes : 2"));
  EXPECT_EQ(control<QLabel>(visor, "lbldirectorios")->text(),
            QStringLiteral("Número de Directorios : 1"));
  EXPECT_EQ(control<FileList>(visor, "File1")->currentRow(), -1);
  EXPECT_EQ(control<QLabel>(visor, "LblFichero")->text(), QStringLiteral("Imagen : rgb24.pcx"));
  EXPECT_EQ(control<DrawingSurface>(visor, "Picture2")->canvas(), before);
  EXPECT_EQ(visor->bitmapActual().rows, rows);

  // A smaller picture after a larger one: nothing of the larger one stays.
  control<FileList>(visor, "File1")->selectFile(0);
  control<FileList>(visor, "File1")->selectFile(1);
  EXPECT_EQ(control<QLabel>(visor, "LblFichero")->text(), QStringLiteral("Imagen : b.pcx"));
  auto* surface = control<DrawingSurface>(visor, "Picture2");
  EXPECT_TRUE(showsPicture(surface->canvas(), QStringLiteral("grey.pgm")));
  EXPECT_EQ(surface->canvas().pixel(6, 2), surface->background());
}

TEST_F(FrmVisorTest, RefusedDriveKeepsTheListsAndSaysSo) {
  setUpSaveFolder(world, {QStringLiteral("rgb24.pcx")});
  const QString refused = world.path(QStringLiteral("sin-disco"));
  world.refusedDrives = {refused};
  Forms forms(world.context());
  FrmVisor* visor = forms.show<FrmVisor>();
  const QString labels = control<QLabel>(visor, "LblImagenes")->text() +
                         control<QLabel>(visor, "lbldirectorios")->text();

  control<DriveList>(visor, "Drive1")->setDrive(refused);

  ASSERT_EQ(world.presenter->shown.size(), 1u);
  const ShownMessage& shown = world.presenter->shown.front();
  EXPECT_TRUE(shown.critical);
  EXPECT_EQ(shown.title, QStringLiteral("No hay disco"));
  EXPECT_EQ(shown.text, QStringLiteral("La unidad no está lista, introduzca un disco."));
  EXPECT_EQ(control<DriveList>(visor, "Drive1")->drive(), refused);
  EXPECT_EQ(control<FolderList>(visor, "Dir1")->path(), out());
  EXPECT_EQ(control<FileList>(visor, "File1")->count(), 1);
  EXPECT_EQ(control<QLabel>(visor, "LblImagenes")->text() +
                control<QLabel>(visor, "lbldirectorios")->text(),
            labels);
}

TEST_F(FrmVisorTest, ReadyDriveMovesTheFolderList) {
  setUpSaveFolder(world, {});
  Forms forms(world.context());
  FrmVisor* visor = forms.show<FrmVisor>();
  const QString drive = world.makeFolder(QStringLiteral("unidad"));
  world.makeFolder(QStringLiteral("unidad/uno"));
  copyFixture(world, QStringLiteral("two.pcx"), QStringLiteral("unidad/x.pcx"));

  control<DriveList>(visor, "Drive1")->setDrive(drive);

  EXPECT_TRUE(world.presenter->shown.empty());
  EXPECT_EQ(control<FolderList>(visor, "Dir1")->path(), drive);
  EXPECT_EQ(control<QLabel>(visor, "LblImagenes")->text(),
            QStringLiteral("Número de Imagenes : 1"));
  EXPECT_EQ(control<QLabel>(visor, "lbldirectorios")->text(),
            QStringLiteral("Número de Directorios : 1"));
}

TEST_F(FrmVisorTest, DamagedFileNamesItselfKeepsThePictureAndShowsThePlainText) {
  setUpSaveFolder(world, {QStringLiteral("rgb24.pcx"), QStringLiteral("damaged.pcx")});
  Forms forms(world.context());
  FrmVisor* visor = forms.show<FrmVisor>();
  ASSERT_EQ(control<FileList>(visor, "File1")->item(1)->text(), QStringLiteral("rgb24.pcx"));
  ASSERT_EQ(world.presenter->shown.size(), 1u);  // the damaged file came first at opening
  control<FileList>(visor, "File1")->selectFile(1);
  world.presenter->shown.clear();
  const QImage before = control<DrawingSurface>(visor, "Picture2")->canvas().copy();

  control<FileList>(visor, "File1")->selectFile(0);

  ASSERT_EQ(world.presenter->shown.size(), 1u);
  const ShownMessage& shown = world.presenter->shown.front();
  EXPECT_FALSE(shown.critical);
  EXPECT_TRUE(shown.title.isEmpty());
  EXPECT_FALSE(shown.text.isEmpty());
  EXPECT_FALSE(shown.text.contains(QLatin1String(".c:")));
  EXPECT_EQ(control<QLabel>(visor, "LblFichero")->text(), QStringLiteral("Imagen : damaged.pcx"));
  EXPECT_EQ(control<DrawingSurface>(visor, "Picture2")->canvas(), before);
  EXPECT_TRUE(showsPicture(before, QStringLiteral("rgb24.ppm")));
}

TEST_F(FrmVisorTest, MissingOrEmptySaveFolderOpensOnHomeAndSaysWhichOnce) {
  for (const QString& dir2 : {QString(), QStringLiteral("/no/existe/lotes")}) {
    TestWorld local;
    local.writeConfig({QStringLiteral("Dir2=") + dir2});
    Forms forms(local.context());
    FrmVisor* visor = forms.show<FrmVisor>();
    EXPECT_EQ(control<FolderList>(visor, "Dir1")->path(), forms.context().homeFolder);
    ASSERT_EQ(local.presenter->shown.size(), 1u);
    EXPECT_TRUE(local.presenter->shown.front().critical);
    EXPECT_TRUE(local.presenter->shown.front().text.contains(forms.context().homeFolder));
    if (!dir2.isEmpty()) {
      EXPECT_TRUE(local.presenter->shown.front().text.contains(dir2));
    }
    EXPECT_EQ(control<QLabel>(visor, "LblImagenes")->text(),
              QStringLiteral("Número de Imagenes : 0"));
  }
}

TEST_F(FrmVisorTest, SaveFolderEqualToTheStartingFolderStillFillsTheLists) {
  setUpSaveFolder(world, {QStringLiteral("two.pcx")});
  const QString previous = QDir::currentPath();
  QDir::setCurrent(out());
  Forms forms(world.context());
  FrmVisor* visor = forms.show<FrmVisor>();
  QDir::setCurrent(previous);
  EXPECT_EQ(control<QLabel>(visor, "LblImagenes")->text(),
            QStringLiteral("Número de Imagenes : 1"));
  EXPECT_EQ(control<QLabel>(visor, "lbldirectorios")->text(),
            QStringLiteral("Número de Directorios : 0"));
  EXPECT_EQ(control<QLabel>(visor, "LblFichero")->text(), QStringLiteral("Imagen : two.pcx"));
}

TEST_F(FrmVisorTest, ReopeningStartsAgainAtTheSaveFolderWithAnEmptyBitmap) {
  setUpSaveFolder(world, {});
  world.makeFolder(QStringLiteral("otra"));
  Forms forms(world.context());
  control<FolderList>(forms.show<FrmVisor>(), "Dir1")->setPath(world.path(QStringLiteral("otra")));
  forms.close<FrmVisor>();
  flushDeletes();
  FrmVisor* again = forms.show<FrmVisor>();
  EXPECT_EQ(control<FolderList>(again, "Dir1")->path(), out());
  EXPECT_EQ(again->bitmapActual().rows, nullptr);
}

TEST_F(FrmVisorTest, TakesTheMainWindowIcon) {
  setUpSaveFolder(world, {});
  Forms forms(world.context());
  FrmVisor* visor = forms.show<FrmVisor>();
  const QIcon mainIcon = forms.get<FrmMonitoreo>()->windowIcon();
  ASSERT_FALSE(mainIcon.isNull());
  EXPECT_EQ(visor->windowIcon().pixmap(32).toImage(), mainIcon.pixmap(32).toImage());
}

}  // namespace
