#include "app/Forms.h"
#include "common/TestSupport.h"
#include "controls/DriveList.h"
#include "controls/FolderList.h"
#include "controls/XPButton.h"
#include "dialogs/FrmSeleccionDir.h"
#include "dialogs/FrmSeleccionGuardar.h"
#include "settings/FrmConfig.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The widgets of wanted in the order the focus visits them, starting at first.
QList<QWidget*> focusOrder(QWidget* first, const QList<QWidget*>& wanted) {
  QList<QWidget*> order;
  QWidget* widget = first;
  do {
    if (wanted.contains(widget) && !order.contains(widget)) {
      order.append(widget);
    }
    widget = widget->nextInFocusChain();
  } while (widget != first);
  return order;
}

class FolderPickerTest : public ::testing::Test {
protected:
  FolderPickerTest() : forms(world.context()) {}
  ~FolderPickerTest() override { flushDeletes(); }

  TestWorld world;
  Forms forms;
};

}  // namespace

TEST_F(FolderPickerTest, EachPickerHasItsCaptionSizeAndFocusOrder) {
  FrmSeleccionDir* dir = forms.show<FrmSeleccionDir>();
  EXPECT_EQ(dir->windowTitle(), QStringLiteral("Seleccionar directorio"));
  EXPECT_EQ(dir->size(), QSize(224, 245));
  EXPECT_EQ(focusOrder(dir->Drive1, {dir->Drive1, dir->Dir1, dir->CmdCancelar, dir->CmdAceptar}),
            (QList<QWidget*>{dir->Drive1, dir->Dir1, dir->CmdCancelar, dir->CmdAceptar}));
  EXPECT_EQ(dir->focusWidget(), dir->Drive1);

  FrmSeleccionGuardar* save = forms.show<FrmSeleccionGuardar>();
  EXPECT_EQ(save->windowTitle(), QStringLiteral("Seleccionar Ruta"));
  EXPECT_EQ(save->size(), QSize(225, 246));
  EXPECT_EQ(focusOrder(save->Dir1, {save->Drive1, save->Dir1, save->CmdCancelar, save->CmdAceptar}),
            (QList<QWidget*>{save->Dir1, save->Drive1, save->CmdAceptar, save->CmdCancelar}));
  EXPECT_EQ(save->focusWidget(), save->Dir1);
}

TEST_F(FolderPickerTest, LabelShowsTheFolderListPathOnOpening) {
  FrmSeleccionDir* picker = forms.show<FrmSeleccionDir>();
  EXPECT_FALSE(picker->lblseleccion->text().isEmpty());
  EXPECT_EQ(picker->lblseleccion->text(), picker->Dir1->path());
  EXPECT_EQ(picker->Dir1->path(), QDir::cleanPath(QDir::currentPath()));
}

TEST_F(FolderPickerTest, RefusedDriveKeepsTheFolderAndTellsTheUser) {
  const QString refused = world.makeFolder(QStringLiteral("sin_disco"));
  world.refusedDrives.insert(refused);
  FrmSeleccionDir* picker = forms.show<FrmSeleccionDir>();
  const QString before = picker->Dir1->path();

  picker->Drive1->setDrive(refused);

  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_TRUE(world.presenter->shown[0].critical);
  EXPECT_EQ(world.presenter->shown[0].title, QStringLiteral("No hay disco"));
  EXPECT_EQ(world.presenter->shown[0].text,
            QStringLiteral("La unidad no está lista, introduzca un disco."));
  EXPECT_EQ(picker->Drive1->drive(), refused);
  EXPECT_EQ(picker->Dir1->path(), before);
  EXPECT_EQ(picker->lblseleccion->text(), before);
}

TEST_F(FolderPickerTest, ReadyDriveMovesTheFolderListAndTheLabelFollows) {
  const QString drive = world.makeFolder(QStringLiteral("unidad"));
  FrmSeleccionGuardar* picker = forms.show<FrmSeleccionGuardar>();
  picker->Drive1->setDrive(drive);
  EXPECT_TRUE(world.presenter->shown.empty());
  EXPECT_EQ(picker->Dir1->path(), drive);
  EXPECT_EQ(picker->lblseleccion->text(), drive);

  // A drive reported ready whose root cannot be opened is refused like one without a medium.
  picker->Drive1->setDrive(world.path(QStringLiteral("desaparecida")));
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_EQ(world.presenter->shown[0].title, QStringLiteral("No hay disco"));
  EXPECT_EQ(picker->lblseleccion->text(), drive);
}

TEST_F(FolderPickerTest, OpeningAFolderMovesTheLabelHighlightingDoesNot) {
  const QString root = world.makeFolder(QStringLiteral("raiz"));
  const QString child = world.makeFolder(QStringLiteral("raiz/hija"));
  FrmSeleccionDir* picker = forms.show<FrmSeleccionDir>();
  picker->Dir1->setPath(root);
  EXPECT_EQ(picker->lblseleccion->text(), root);

  int childRow = -1;
  for (int row = 0; row < picker->Dir1->count(); ++row) {
    if (picker->Dir1->folderAt(row) == child) {
      childRow = row;
    }
  }
  ASSERT_GE(childRow, 0);
  picker->Dir1->setCurrentRow(childRow);
  EXPECT_EQ(picker->lblseleccion->text(), root);
  QTest::keyClick(picker->Dir1, Qt::Key_Return);
  EXPECT_EQ(picker->lblseleccion->text(), child);
}

TEST_F(FolderPickerTest, AcceptHandsTheLabelVerbatimToTheSettingsDialog) {
  const QString folder = world.makeFolder(QStringLiteral("elegida"));
  FrmConfig* config = forms.show<FrmConfig>();
  config->cmdaplicar->setEnabled(false);
  config->cmdseleccionar_Click();
  ASSERT_TRUE(forms.isOpen<FrmSeleccionDir>());
  FrmSeleccionDir* picker = forms.get<FrmSeleccionDir>();
  picker->Dir1->setPath(folder);
  picker->CmdAceptar_Click();

  EXPECT_EQ(config->txtdir->text(), folder);
  EXPECT_EQ(config->txtdir->toolTip(), folder);
  EXPECT_TRUE(config->cmdaplicar->isEnabled());
  EXPECT_FALSE(forms.isOpen<FrmSeleccionDir>());

  // The save-folder picker writes its own box, whatever the label says.
  config->cmdguardar_Click();
  FrmSeleccionGuardar* save = forms.get<FrmSeleccionGuardar>();
  save->lblseleccion->setText(QStringLiteral("C:\\a mano\\"));
  save->CmdAceptar_Click();
  EXPECT_EQ(config->txtguardar->text(), QStringLiteral("C:\\a mano\\"));
  EXPECT_EQ(config->txtdir->text(), folder);
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(FolderPickerTest, AcceptWithoutSelectionStaysOpen) {
  FrmConfig* config = forms.show<FrmConfig>();
  config->txtdir->setText(QStringLiteral("antes"));
  FrmSeleccionDir* picker = forms.show<FrmSeleccionDir>();
  picker->lblseleccion->clear();
  picker->CmdAceptar_Click();
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_EQ(world.presenter->shown[0].title, QStringLiteral("Error"));
  EXPECT_EQ(world.presenter->shown[0].text, QStringLiteral("No ha seleccionado un directorio"));
  EXPECT_TRUE(forms.isOpen<FrmSeleccionDir>());
  EXPECT_EQ(config->txtdir->text(), QStringLiteral("antes"));
}

TEST_F(FolderPickerTest, CancelAndCloseBoxWriteNothing) {
  FrmConfig* config = forms.show<FrmConfig>();
  config->txtguardar->setText(QStringLiteral("antes"));
  forms.show<FrmSeleccionGuardar>()->CmdCancelar_Click();
  EXPECT_FALSE(forms.isOpen<FrmSeleccionGuardar>());
  forms.show<FrmSeleccionGuardar>()->close();
  EXPECT_FALSE(forms.isOpen<FrmSeleccionGuardar>());
  EXPECT_EQ(config->txtguardar->text(), QStringLiteral("antes"));
}

TEST_F(FolderPickerTest, ShownTwiceIsOneWindowAndReopeningStartsAfresh) {
  FrmConfig* config = forms.show<FrmConfig>();
  config->cmdseleccionar_Click();
  FrmSeleccionDir* first = forms.get<FrmSeleccionDir>();
  first->Dir1->setPath(world.makeFolder(QStringLiteral("otra")));
  config->cmdseleccionar_Click();
  EXPECT_EQ(forms.get<FrmSeleccionDir>(), first);
  EXPECT_EQ(first->lblseleccion->text(), world.path(QStringLiteral("otra")));

  first->CmdAceptar_Click();
  flushDeletes();
  config->cmdseleccionar_Click();
  EXPECT_EQ(forms.get<FrmSeleccionDir>()->lblseleccion->text(),
            QDir::cleanPath(QDir::currentPath()));
}
