// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmTamano.h"

#include "common/ViewerTestSupport.h"
#include "controls/DrawingSurface.h"
#include "forms/Forms.h"
#include "windows/FrmMonitoreo.h"
#include "windows/FrmVisor.h"

#include <QFrame>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

class FrmTamanoTest : public ::testing::Test {
protected:
  void SetUp() override { setUpSaveFolder(world, {QStringLiteral("rgb24.pcx")}); }

  // The main window, monitoring, then "&Visor".
  FrmTamano* openChooser(Forms& forms) {
    main = forms.show<FrmMonitoreo>();
    main->cmdiniciar_Click();
    EXPECT_TRUE(main->session().isStarted());
    main->mnuvisor_Click();
    return forms.get<FrmTamano>();
  }

  TestWorld world;
  FrmMonitoreo* main = nullptr;
};

TEST_F(FrmTamanoTest, VisorStopsMonitoringHidesTheMainWindowAndOffers800By600) {
  Forms forms(world.context());
  FrmTamano* chooser = openChooser(forms);
  EXPECT_FALSE(main->session().isStarted());
  EXPECT_EQ(main->panel(1), QStringLiteral("Estado : Detenido."));
  EXPECT_FALSE(main->isVisible());
  EXPECT_TRUE(chooser->isVisible());
  EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Resolución"));
  EXPECT_TRUE(control<QRadioButton>(chooser, "Option1")->isChecked());
  EXPECT_FALSE(control<QRadioButton>(chooser, "Option2")->isChecked());
  EXPECT_EQ(chooser->resolution(), 0);
  EXPECT_EQ(chooser->windowIcon().pixmap(32).toImage(), main->windowIcon().pixmap(32).toImage());
}

TEST_F(FrmTamanoTest, AcceptSizesTheSurfaceForEitherChoiceAndKeepsTheFirstPicture) {
  struct Choice {
    bool second;
    QSize pixels;
  };
  for (const Choice& choice : {Choice{false, {800, 600}}, Choice{true, {1024, 768}}}) {
    Forms forms(world.context());
    FrmTamano* chooser = openChooser(forms);
    if (choice.second) {
      control<QRadioButton>(chooser, "Option2")->click();
      EXPECT_EQ(chooser->resolution(), 1);
    }
    chooser->CmdAceptar_Click();

    EXPECT_FALSE(forms.isOpen<FrmTamano>());
    ASSERT_TRUE(forms.isOpen<FrmVisor>());
    FrmVisor* visor = forms.get<FrmVisor>();
    EXPECT_TRUE(visor->isVisible());
    EXPECT_EQ(control<DrawingSurface>(visor, "Picture2")->size(), choice.pixels);
    EXPECT_EQ(control<DrawingSurface>(visor, "Picture2")->canvas().size(), choice.pixels);
    // Drawn at opening on the smaller design size, still there once enlarged.
    EXPECT_TRUE(showsPicture(control<DrawingSurface>(visor, "Picture2")->canvas(),
                             QStringLiteral("rgb24.ppm")));
    EXPECT_FALSE(main->isVisible());
    forms.close<FrmVisor>();
    flushDeletes();
  }
}

TEST_F(FrmTamanoTest, ContainerClipsTheEnlargedSurfaceInsideItsBorder) {
  Forms forms(world.context());
  openChooser(forms)->CmdAceptar_Click();
  FrmVisor* visor = forms.get<FrmVisor>();
  QImage& canvas = control<DrawingSurface>(visor, "Picture2")->canvas();
  canvas.fill(qRgb(10, 200, 30));
  const QImage seen = control<QFrame>(visor, "Contenedor")->grab().toImage();
  const QRect inside = control<QFrame>(visor, "Contenedor")->contentsRect();
  ASSERT_LT(inside.width(), canvas.width());
  ASSERT_LT(inside.height(), canvas.height());
  // The surface's top-left corner sits just inside the border, and it is cut, not scaled.
  EXPECT_EQ(seen.pixel(inside.topLeft()), qRgb(10, 200, 30));
  EXPECT_EQ(seen.pixel(inside.bottomRight()), qRgb(10, 200, 30));
  EXPECT_NE(seen.pixel(0, 0), qRgb(10, 200, 30));
  EXPECT_NE(seen.pixel(seen.width() - 1, seen.height() - 1), qRgb(10, 200, 30));
}

TEST_F(FrmTamanoTest, ReopenedChooserForgetsThePreviousChoice) {
  Forms forms(world.context());
  FrmTamano* chooser = openChooser(forms);
  control<QRadioButton>(chooser, "Option2")->click();
  chooser->CmdAceptar_Click();
  forms.get<FrmVisor>()->CmdAceptar_Click();
  flushDeletes();
  FrmTamano* again = openChooser(forms);
  EXPECT_NE(again, nullptr);
  EXPECT_TRUE(control<QRadioButton>(again, "Option1")->isChecked());
  EXPECT_EQ(again->resolution(), 0);
}

TEST_F(FrmTamanoTest, ViewerAcceptReturnsToTheMainWindowWithMonitoringStopped) {
  Forms forms(world.context());
  openChooser(forms)->CmdAceptar_Click();
  forms.get<FrmVisor>()->CmdAceptar_Click();
  EXPECT_FALSE(forms.isOpen<FrmVisor>());
  EXPECT_TRUE(main->isVisible());
  EXPECT_FALSE(main->session().isStarted());
  EXPECT_EQ(main->panel(1), QStringLiteral("Estado : Detenido."));
}

TEST_F(FrmTamanoTest, CloseBoxesGiveTheMainWindowBackWithMonitoringStopped) {
  {
    Forms forms(world.context());
    openChooser(forms)->close();
    EXPECT_FALSE(forms.isOpen<FrmVisor>());
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->session().isStarted());
  }
  {
    Forms forms(world.context());
    openChooser(forms)->CmdAceptar_Click();
    forms.get<FrmVisor>()->close();
    EXPECT_FALSE(forms.isOpen<FrmVisor>());
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->session().isStarted());
    EXPECT_EQ(main->panel(1), QStringLiteral("Estado : Detenido."));
  }
}

TEST_F(FrmTamanoTest, ClosingDuringShutdownBringsNothingBack) {
  Forms forms(world.context());
  FrmTamano* chooser = openChooser(forms);
  forms.beginShutdown();
  chooser->close();
  EXPECT_FALSE(main->isVisible());
}

}  // namespace
