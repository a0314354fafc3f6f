// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "controls/DriveList.h"
#include "controls/FolderList.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "windows/FrmConfig.h"
#include "windows/FrmSeleccionDir.h"
#include "windows/FrmSeleccionGuardar.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

class FolderPickerTest : public ::testing::Test {
protected:
  FolderPickerTest() : forms(world.context()) {}
  ~FolderPickerTest() override { flushDeletes(); }

  TestWorld world;
  Forms forms;
};

}  // namespace

TEST_F(FolderPickerTest, EachPickerHasItsCaptionSizeAndFocusOrder) {
  struct Design {
    std::function<QWidget*()> open;
    QString caption;
    QSize size;
    QStringList focus;  // the first has the focus on opening
  };
  const Design designs[] = {
      {[this] { return forms.show<FrmSeleccionDir>(); },
       QStringLiteral("Seleccionar directorio"),
       QSize(224, 245),
       {"Drive1", "Dir1", "CmdCancelar", "CmdAceptar"}},
      {[this] { return forms.show<FrmSeleccionGuardar>(); },
       QStringLiteral("Seleccionar Ruta"),
       QSize(225, 246),
       {"Dir1", "Drive1", "CmdAceptar", "CmdCancelar"}},
  };
  for (const Design& design : designs) {
    SCOPED_TRACE(design.caption.toStdString());
    QWidget* picker = design.open();
    EXPECT_EQ(picker->windowTitle(), design.caption);
    EXPECT_EQ(picker->size(), design.size);
    EXPECT_EQ(focusOrder(picker, design.focus), design.focus);
    EXPECT_EQ(picker->focusWidget(), control<QWidget>(picker, qPrintable(design.focus.front())));
  }
}

TEST_F(FolderPickerTest, LabelShowsTheFolderListPathOnOpening) {
  FrmSeleccionDir* picker = forms.show<FrmSeleccionDir>();
  EXPECT_FALSE(control<QLabel>(picker, "lblseleccion")->text().isEmpty());
  EXPECT_EQ(control<QLabel>(picker, "lblseleccion")->text(),
            control<FolderList>(picker, "Dir1")->path());
  EXPECT_EQ(control<FolderList>(picker, "Dir1")->path(), QDir::cleanPath(QDir::currentPath()));
}

TEST_F(FolderPickerTest, RefusedDriveKeepsTheFolderAndTellsTheUser) {
  const QString refused = world.makeFolder(QStringLiteral("sin_disco"));
  world.refusedDrives.insert(refused);
  FrmSeleccionDir* picker = forms.show<FrmSeleccionDir>();
  const QString before = control<FolderList>(picker, "Dir1")->path();

  control<DriveList>(picker, "Drive1")->setDrive(refused);

  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_TRUE(world.presenter->shown[0].critical);
  EXPECT_EQ(world.presenter->shown[0].title, QStringLiteral("No hay disco"));
  EXPECT_EQ(world.presenter->shown[0].text,
            QStringLiteral("La unidad no está lista, introduzca un disco."));
  EXPECT_EQ(control<DriveList>(picker, "Drive1")->drive(), refused);
  EXPECT_EQ(control<FolderList>(picker, "Dir1")->path(), before);
  EXPECT_EQ(control<QLabel>(picker, "lblseleccion")->text(), before);
}

TEST_F(FolderPickerTest, ReadyDriveMovesTheFolderListAndTheLabelFollows) {
  const QString drive = world.makeFolder(QStringLiteral("unidad"));
  FrmSeleccionGuardar* picker = forms.show<FrmSeleccionGuardar>();
  control<DriveList>(picker, "Drive1")->setDrive(drive);
  EXPECT_TRUE(world.presenter->shown.empty());
  EXPECT_EQ(control<FolderList>(picker, "Dir1")->path(), drive);
  EXPECT_EQ(control<QLabel>(picker, "lblseleccion")->text(), drive);

  // A drive reported ready whose root cannot be opened is refused like one without a medium.
  control<DriveList>(picker, "Drive1")->setDrive(world.path(QStringLiteral("desaparecida")));
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_EQ(world.presenter->shown[0].title, QStringLiteral("No hay disco"));
  EXPECT_EQ(control<QLabel>(picker, "lblseleccion")->text(), drive);
}

TEST_F(FolderPickerTest, OpeningAFolderMovesTheLabelHighlightingDoesNot) {
  const QString root = world.makeFolder(QStringLiteral("raiz"));
  const QString child = world.makeFolder(QStringLiteral("raiz/hija"));
  FrmSeleccionDir* picker = forms.show<FrmSeleccionDir>();
  control<FolderList>(picker, "Dir1")->setPath(root);
  EXPECT_EQ(control<QLabel>(picker, "lblseleccion")->text(), root);

  int childRow = -1;
  for (int row = 0; row < control<FolderList>(picker, "Dir1")->count(); ++row) {
    if (control<FolderList>(picker, "Dir1")->folderAt(row) == child) {
      childRow = row;
    }
  }
  ASSERT_GE(childRow, 0);
  control<FolderList>(picker, "Dir1")->setCurrentRow(childRow);
  EXPECT_EQ(control<QLabel>(picker, "lblseleccion")->text(), root);
  QTest::keyClick(control<FolderList>(picker, "Dir1"), Qt::Key_Return);
  EXPECT_EQ(control<QLabel>(picker, "lblseleccion")->text(), child);
}

TEST_F(FolderPickerTest, AcceptHandsTheLabelVerbatimToTheSettingsDialog) {
  const QString folder = world.makeFolder(QStringLiteral("elegida"));
  FrmConfig* config = forms.show<FrmConfig>();
  control<XPButton>(config, "cmdaplicar")->setEnabled(false);
  config->cmdseleccionar_Click();
  ASSERT_TRUE(forms.isOpen<FrmSeleccionDir>());
  FrmSeleccionDir* picker = forms.get<FrmSeleccionDir>();
  control<FolderList>(picker, "Dir1")->setPath(folder);
  picker->CmdAceptar_Click();

  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->text(), folder);
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->toolTip(), folder);
  EXPECT_TRUE(control<XPButton>(config, "cmdaplicar")->isEnabled());
  EXPECT_FALSE(forms.isOpen<FrmSeleccionDir>());

  // The save-folder picker writes its own box, whatever the label says.
  config->cmdguardar_Click();
  FrmSeleccionGuardar* save = forms.get<FrmSeleccionGuardar>();
  control<QLabel>(save, "lblseleccion")->setText(QStringLiteral("C:\\a mano\\"));
  save->CmdAceptar_Click();
  EXPECT_EQ(control<QLineEdit>(config, "txtguardar")->text(), QStringLiteral("C:\\a mano\\"));
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->text(), folder);
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(FolderPickerTest, AcceptWithoutSelectionStaysOpen) {
  FrmConfig* config = forms.show<FrmConfig>();
  control<QLineEdit>(config, "txtdir")->setText(QStringLiteral("antes"));
  FrmSeleccionDir* picker = forms.show<FrmSeleccionDir>();
  control<QLabel>(picker, "lblseleccion")->clear();
  picker->CmdAceptar_Click();
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_EQ(world.presenter->shown[0].title, QStringLiteral("Error"));
  EXPECT_EQ(world.presenter->shown[0].text, QStringLiteral("No ha seleccionado un directorio"));
  EXPECT_TRUE(forms.isOpen<FrmSeleccionDir>());
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->text(), QStringLiteral("antes"));
}

TEST_F(FolderPickerTest, CancelAndCloseBoxWriteNothing) {
  FrmConfig* config = forms.show<FrmConfig>();
  control<QLineEdit>(config, "txtguardar")->setText(QStringLiteral("antes"));
  forms.show<FrmSeleccionGuardar>()->CmdCancelar_Click();
  EXPECT_FALSE(forms.isOpen<FrmSeleccionGuardar>());
  forms.show<FrmSeleccionGuardar>()->close();
  EXPECT_FALSE(forms.isOpen<FrmSeleccionGuardar>());
  EXPECT_EQ(control<QLineEdit>(config, "txtguardar")->text(), QStringLiteral("antes"));
}

TEST_F(FolderPickerTest, ShownTwiceIsOneWindowAndReopeningStartsAfresh) {
  FrmConfig* config = forms.show<FrmConfig>();
  config->cmdseleccionar_Click();
  FrmSeleccionDir* first = forms.get<FrmSeleccionDir>();
  control<FolderList>(first, "Dir1")->setPath(world.makeFolder(QStringLiteral("otra")));
  config->cmdseleccionar_Click();
  EXPECT_EQ(forms.get<FrmSeleccionDir>(), first);
  EXPECT_EQ(control<QLabel>(first, "lblseleccion")->text(), world.path(QStringLiteral("otra")));

  first->CmdAceptar_Click();
  flushDeletes();
  config->cmdseleccionar_Click();
  EXPECT_EQ(control<QLabel>(forms.get<FrmSeleccionDir>(), "lblseleccion")->text(),
            QDir::cleanPath(QDir::currentPath()));
}
