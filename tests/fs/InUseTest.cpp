// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/InUse.h"
#include "fs/UniqueFd.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

namespace {

// Without a lease: the events decide where they cover the file; elsewhere a file quiet for 10 s
// is free only as far as anyone can tell, which a save must know apart from a writer seen to close.
TEST(InUse, AQuietFileIsTakenButNotAsOneSeenClosed) {
  struct Case {
    std::optional<EventVerdict> events;  // none: no watch stands
    int quietSeconds;
    InUse expected;
  };
  const Case cases[] = {
      {std::nullopt, 5, InUse::Writing},
      {std::nullopt, 11, InUse::Unseen},
      {EventVerdict::NotCovered, 5, InUse::Writing},
      {EventVerdict::NotCovered, 11, InUse::Unseen},
      {EventVerdict::Closed, 5, InUse::Free},
      {EventVerdict::Writing, 11, InUse::Writing},
  };
  QTemporaryDir dir;
  const QByteArray file = dir.filePath(QStringLiteral("a.bmp")).toUtf8();
  const UniqueFd fd(open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  struct stat info {};
  ASSERT_EQ(fstat(fd.get(), &info), 0);
  for (const Case& c : cases) {
    InUseCheck check{false,
                     [&] {
                       timespec now = info.st_ctim;
                       now.tv_sec += c.quietSeconds;
                       return now;
                     },
                     {}};
    if (c.events) {
      check.events = [&](const QByteArray&, const timespec&) { return *c.events; };
    }
    EXPECT_EQ(inUseState(fd.get(), "a.bmp", info, check), c.expected) << &c - cases;
  }
}

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
