// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/OpenFileLimit.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

TEST(OpenFileLimit, TheSoftLimitIsRaisedToTheHardOneAndWhatMayBeHeldWithIt) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  if (saved.rlim_max < 1024) {
    GTEST_SKIP() << "a hard limit of " << saved.rlim_max << " leaves nothing to raise";
  }
  rlimit lowered = saved;
  lowered.rlim_cur = 512;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
  const std::size_t spareBefore = descriptorsToSpare();
  raiseOpenFileLimit();
  const std::size_t spareAfter = descriptorsToSpare();
  rlimit raised{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &raised), 0);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);

  EXPECT_EQ(raised.rlim_cur, saved.rlim_max);
  EXPECT_EQ(spareAfter - spareBefore, saved.rlim_max - 512);
}

}  // namespace
