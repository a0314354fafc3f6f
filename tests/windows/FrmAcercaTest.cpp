// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmAcerca.h"

#include "common/TestSupport.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "windows/FrmMonitoreo.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

TEST(FrmAcerca, ShowsTheMainWindowIconAndItsFixedTexts) {
  TestWorld world;
  world.now = QDateTime(QDate(2031, 12, 24), QTime(23, 59));
  Forms forms(world.context());
  FrmAcerca* about = forms.show<FrmAcerca>();

  const QImage mainIcon = forms.get<FrmMonitoreo>()->windowIcon().pixmap(32).toImage();
  ASSERT_FALSE(mainIcon.isNull());
  EXPECT_EQ(about->windowIcon().pixmap(32).toImage(), mainIcon);
  EXPECT_EQ(
      control<QLabel>(about, "Picture1")->pixmap().toImage().convertToFormat(mainIcon.format()),
      mainIcon);
  EXPECT_FALSE(control<QLabel>(about, "Picture2")->pixmap().isNull());

  EXPECT_EQ(about->windowTitle(), QStringLiteral("Acerca de Varndel"));
  EXPECT_EQ(control<QLabel>(about, "Label3")->text(), QStringLiteral("Fecha : 04/10/2004"));
  EXPECT_EQ(control<QLabel>(about, "Label2")->text(), QStringLiteral("Autor : Equipo de Varndel"));
  EXPECT_EQ(control<QLabel>(about, "Label4")->text(),
            QStringLiteral("Beta Testers : ninguno todavía"));
  EXPECT_EQ(control<QLabel>(about, "Label5")->text(),
            QStringLiteral("Para más información leer el archivo Leeme.txt adjunto."));
  EXPECT_EQ(about->size(), QSize(312, 274));
}

TEST(FrmAcerca, AcceptClosesAndTheNextOpeningIsAFreshBox) {
  TestWorld world;
  Forms forms(world.context());
  FrmAcerca* about = forms.show<FrmAcerca>();
  EXPECT_EQ(forms.show<FrmAcerca>(), about);
  control<XPButton>(about, "CmdAceptar")->click();
  EXPECT_FALSE(forms.isOpen<FrmAcerca>());
  flushDeletes();
  EXPECT_TRUE(forms.show<FrmAcerca>()->isVisible());
}

}  // namespace
