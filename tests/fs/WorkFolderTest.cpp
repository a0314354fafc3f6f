// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/WorkFolder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

namespace {

bool exists(int parent, const QByteArray& name) {
  struct stat info {};
  return fstatat(parent, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

// Whatever holds the name and is not a folder of ours stays as it was, and a spare of ours
// serves instead. Two copies share one folder; it goes when the last one leaves it empty.
TEST(WorkFolder, IsSharedAndGoesWithItsLastUserOnceEmpty) {
  enum Planted { Nothing, PlainFile, Link, ForeignFolder };
  for (const Planted planted : {Nothing, PlainFile, Link, ForeignFolder}) {
    SCOPED_TRACE(planted);
    if (planted == ForeignFolder && geteuid() != 0) {
      continue;  // only root can give a folder to another user
    }
    const QTemporaryDir dir;
    const UniqueFd parent(open(dir.path().toUtf8().constData(), O_RDONLY | O_DIRECTORY));
    if (planted == PlainFile) {
      UniqueFd(openat(parent.get(), "w", O_CREAT | O_WRONLY, 0600));
    } else if (planted == Link) {
      ASSERT_EQ(mkdirat(parent.get(), "elsewhere", 0700), 0);
      ASSERT_EQ(symlinkat("elsewhere", parent.get(), "w"), 0);
    } else if (planted == ForeignFolder) {
      ASSERT_EQ(mkdirat(parent.get(), "w", 0700), 0);
      ASSERT_EQ(fchownat(parent.get(), "w", 65534, 65534, 0), 0);
    }
    WorkFolder first;
    WorkFolder second;
    ASSERT_EQ(first.open(parent.get(), "w"), 0);
    ASSERT_EQ(second.open(parent.get(), "w"), 0);
    EXPECT_EQ(second.name(), first.name());
    EXPECT_EQ(first.name() == "w", planted == Nothing) << first.name().constData();
    struct stat info {};
    ASSERT_EQ(fstat(first.fd(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(WorkFolder::existing(parent.get(), "w").size(), 1u);
    const QByteArray name = first.name();
    first.leave();
    EXPECT_TRUE(exists(parent.get(), name));
    UniqueFd(openat(second.fd(), "kept", O_CREAT | O_WRONLY, 0600));
    second.leave();
    EXPECT_TRUE(exists(parent.get(), name));
    ASSERT_EQ(unlinkat(parent.get(), (name + "/kept").constData(), 0), 0);
    WorkFolder::existing(parent.get(), "w");  // a recovery comes and goes
    EXPECT_FALSE(exists(parent.get(), name));
    EXPECT_EQ(exists(parent.get(), "w"), planted != Nothing);
  }
}

// A copy that opened the folder just as the last one out removed it makes it again.
TEST(WorkFolder, OneRemovedWhileItWasOpenedIsMadeAgain) {
  const QTemporaryDir dir;
  const UniqueFd parent(open(dir.path().toUtf8().constData(), O_RDONLY | O_DIRECTORY));
  ASSERT_EQ(mkdirat(parent.get(), "w", 0700), 0);
  UniqueFd removing(openat(parent.get(), "w", O_RDONLY | O_DIRECTORY));
  ASSERT_EQ(flock(removing.get(), LOCK_EX), 0);
  const UniqueFd events(inotify_init1(IN_CLOEXEC));
  ASSERT_GE(inotify_add_watch(events.get(), (dir.path() + "/w").toUtf8().constData(), IN_OPEN), 0);
  std::thread remover([&] {
    char event[sizeof(inotify_event) + NAME_MAX + 1];
    EXPECT_GT(read(events.get(), event, sizeof event), 0);
    EXPECT_EQ(unlinkat(parent.get(), "w", AT_REMOVEDIR), 0);
    removing.reset();
  });
  WorkFolder opening;
  const int error = opening.open(parent.get(), "w");
  remover.join();
  ASSERT_EQ(error, 0);
  struct stat held {};
  struct stat named {};
  ASSERT_EQ(fstat(opening.fd(), &held), 0);
  ASSERT_EQ(fstatat(parent.get(), "w", &named, 0), 0);
  EXPECT_EQ(held.st_ino, named.st_ino);
}

}  // namespace
