// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/InUse.h"
#include "fs/UniqueFd.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Another program opening a file while the probe holds its lease (an indexer, a thumbnailer)
// makes the kernel signal the holder; the program must live on.
TEST(InUse, AnOpenerBreakingTheProbesLeaseDoesNotEndTheProgram) {
  QTemporaryDir dir;
  const QByteArray file = dir.filePath(QStringLiteral("a.bmp")).toUtf8();
  close(open(file.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const UniqueFd fd(open(file.constData(), O_RDONLY | O_CLOEXEC));
    if (probeWriteLease(fd.get()) != LeaseAnswer::Free) {
      _exit(2);  // no leases here: nothing to break
    }
    // Held the way the probe holds it for an instant, while someone else opens the file.
    fcntl(fd.get(), F_SETLEASE, F_WRLCK);
    const pid_t opener = fork();
    if (opener == 0) {
      close(open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
      _exit(0);
    }
    waitpid(opener, nullptr, 0);  // the signal was sent during the opener's open
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) {
    GTEST_SKIP() << "this file system grants no leases";
  }
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
}

}  // namespace
