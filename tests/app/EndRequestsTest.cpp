// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EndRequests.h"

#include <QSignalSpy>

#include <gtest/gtest.h>
#include <csignal>

namespace {

// Each ending signal becomes one request on the loop; a second one while the first is handled
// is ignored, and none ends the process by itself.
TEST(EndRequests, EachEndingSignalIsOneRequestAndTheFirstAloneCounts) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    EndRequests ends;
    QSignalSpy requested(&ends, &EndRequests::requested);
    std::raise(signal);
    ASSERT_TRUE(requested.wait(5000)) << signal;
    std::raise(signal);
    ends.request();
    QCoreApplication::processEvents();
    EXPECT_EQ(requested.count(), 1) << signal;
  }
}

}  // namespace
