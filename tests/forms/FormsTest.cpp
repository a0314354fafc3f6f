// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "forms/Forms.h"
#include "windows/FrmAcerca.h"

#include <gtest/gtest.h>

TEST(Forms, OneInstancePerWindowRebuiltAfterClose) {
  TestWorld world;
  Forms forms(world.context());
  EXPECT_FALSE(forms.isOpen<FrmAcerca>());
  FrmAcerca* first = forms.show<FrmAcerca>();
  EXPECT_EQ(forms.show<FrmAcerca>(), first);
  EXPECT_TRUE(forms.isOpen<FrmAcerca>());
  EXPECT_TRUE(first->isVisible());

  forms.close<FrmAcerca>();
  EXPECT_FALSE(forms.isOpen<FrmAcerca>());
  flushDeletes();
  FrmAcerca* hidden = forms.get<FrmAcerca>();
  EXPECT_TRUE(forms.isOpen<FrmAcerca>());
  EXPECT_FALSE(hidden->isVisible());
}

// A later start of the program asks for its windows: open ones come out of minimising, while a
// window hidden behind another stays hidden, and nothing moves once the program shuts down.
TEST(Forms, BringForwardRestoresOpenWindowsOnly) {
  TestWorld world;
  Forms forms(world.context());
  FrmAcerca* window = forms.show<FrmAcerca>();
  window->showMinimized();
  forms.bringForward();
  EXPECT_FALSE(window->isMinimized());
  EXPECT_TRUE(window->isVisible());

  window->hide();
  forms.bringForward();
  EXPECT_FALSE(window->isVisible());

  window->showMinimized();
  forms.beginShutdown();
  forms.bringForward();
  EXPECT_TRUE(window->isMinimized());
}
