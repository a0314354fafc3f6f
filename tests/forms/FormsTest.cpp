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
