// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/UniqueFd.h"
#include "monitor/FolderHealth.h"
#include "monitor/WriteWatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// The system's inotify limits are shared with every program running: a watch they refuse makes
// the test say so rather than fail.
#define ARM_OR_SKIP(watch, folder)                                                              \
  (watch).setFolder(folder);                                                                    \
  if (!(watch).armed()) {                                                                       \
    GTEST_SKIP() << "the system's inotify limits refuse a watch on " << (folder).toStdString(); \
  }

using Verdict = WriteWatch::EventVerdict;

// A watch on the folder "in" of a temporary folder.
class WriteWatchTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(QDir().mkpath(in())); }

  QString in() const { return dir.filePath(QStringLiteral("in")); }
  QByteArray path(const char* name) const { return QFile::encodeName(in()) + '/' + name; }

  UniqueFd create(const QByteArray& file) const {
    return UniqueFd(open(file.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  }

  // File times come from a clock that may lag the watch's by a few milliseconds; stamping a file
  // closed right after arming with the fine clock leaves the verdict to the events alone. Both
  // times are set: a change of the modification time alone is reported as a write.
  void writeClosed(const QByteArray& file) const {
    ASSERT_EQ(write(create(file).get(), "x", 1), 1);
    stampNow(file);
  }

  static void stampNow(const QByteArray& file) {
    timespec times[2]{};
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[1] = times[0];
    ASSERT_EQ(utimensat(AT_FDCWD, file.constData(), times, 0), 0);
  }

  // Asked as a save asks: through a descriptor of its own on the file.
  Verdict verdictOf(const char* name) {
    const UniqueFd asker(open(path(name).constData(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    EXPECT_EQ(fstat(asker.get(), &info), 0) << name;
    return watch.verdict(name, info.st_mtim);
  }

  QTemporaryDir dir;
  WriteWatch watch;
};

// A truncation by path opens nothing: only a file someone holds open is being written, and the
// asker's own descriptor is not someone.
TEST_F(WriteWatchTest, EventsTellFilesBeingWrittenFromClosedOnes) {
  writeClosed(path("before"));
  writeClosed(path("cut"));
  ARM_OR_SKIP(watch, in());
  ASSERT_EQ(truncate(path("cut").constData(), 0), 0);
  writeClosed(path("cut after close"));
  ASSERT_EQ(truncate(path("cut after close").constData(), 1), 0);
  const UniqueFd empty = create(path("empty"));
  UniqueFd open = create(path("open"));
  ASSERT_EQ(write(open.get(), "x", 1), 1);
  writeClosed(path("closed"));
  const QByteArray elsewhere = QFile::encodeName(dir.filePath(QStringLiteral("elsewhere")));
  writeClosed(elsewhere);
  ASSERT_EQ(rename(elsewhere.constData(), path("moved").constData()), 0);

  const std::pair<const char*, Verdict> expected[] = {
      {"before", Verdict::NotCovered},
      {"empty", Verdict::Writing},
      {"open", Verdict::Writing},
      {"closed", Verdict::Closed},
      {"moved", Verdict::Closed},
      {"cut", Verdict::NotCovered},
      {"cut after close", Verdict::NotCovered},
  };
  watch.ensureArmed();  // as every tick does: the record stays
  for (const auto& [name, verdict] : expected) {
    EXPECT_EQ(verdictOf(name), verdict) << name;
  }
  ASSERT_EQ(open.reset(), 0);
  stampNow(path("open"));
  EXPECT_EQ(verdictOf("open"), Verdict::Closed);
}

TEST_F(WriteWatchTest, AnotherUsersWriterIsSeenThroughItsPauseUntilItCloses) {
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() != 0 || nobody == nullptr) {
    GTEST_SKIP() << "writing as another user needs root and a user \"nobody\"";
  }
  ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
  ASSERT_EQ(chown(QFile::encodeName(in()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
  ARM_OR_SKIP(watch, in());
  int toChild[2], fromChild[2];
  ASSERT_TRUE(pipe(toChild) == 0 && pipe(fromChild) == 0);
  const std::vector<char> half(1 << 20, 'x');
  const QByteArray file = path("juego.bmp");

  const pid_t child = fork();
  if (child == 0) {
    // Tells the test each step and goes on when it has looked; pauses longer than the 2 s rule.
    char go = 0;
    const auto step = [&] {
      return write(fromChild[1], "s", 1) == 1 && read(toChild[0], &go, 1) == 1;
    };
    const timespec pause{2, 500'000'000};
    const auto size = std::ssize(half);
    const int fd = setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) == 0 &&
                           setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) == 0
                       ? open(file.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644)
                       : -1;
    const bool wrote = write(fd, half.data(), size) == size && step() &&
                       nanosleep(&pause, nullptr) == 0 && step() &&
                       write(fd, half.data(), size) == size && close(fd) == 0 && step();
    _exit(wrote ? 0 : 1);
  }
  close(toChild[0]);
  close(fromChild[1]);
  const UniqueFd toChildEnd(toChild[1]), fromChildEnd(fromChild[0]);
  char stepped = 0;
  for (const Verdict expected : {Verdict::Writing, Verdict::Writing, Verdict::Closed}) {
    ASSERT_EQ(read(fromChildEnd.get(), &stepped, 1), 1);
    EXPECT_EQ(verdictOf("juego.bmp"), expected);
    ASSERT_EQ(write(toChildEnd.get(), "g", 1), 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(QFileInfo(QFile::decodeName(file)).size(), 2 * std::ssize(half));
}

// The folder is listed again only when a name in it changed: not for a write, an open or a read.
TEST_F(WriteWatchTest, ANameChangeAloneAsksForTheFolderToBeListedAgain) {
  writeClosed(path("old"));
  const QByteArray outside = QFile::encodeName(dir.filePath(QStringLiteral("outside")));
  struct Case {
    const char* what;
    std::function<void()> change;
    bool listsAgain;
  };
  const Case cases[] = {
      {"create", [&] { writeClosed(path("new")); }, true},
      {"move in",
       [&] { writeClosed(outside), rename(outside.constData(), path("in").constData()); }, true},
      {"move out", [&] { rename(path("old").constData(), outside.constData()); }, true},
      {"delete", [&] { unlink(path("old").constData()); }, true},
      {"rename", [&] { rename(path("old").constData(), path("renamed").constData()); }, true},
      {"write",
       [&] {
         EXPECT_EQ(write(UniqueFd(open(path("old").constData(), O_WRONLY)).get(), "x", 1), 1);
       },
       false},
      {"read", [&] { QFile(QFile::decodeName(path("old"))).open(QIODevice::ReadOnly); }, false},
      {"nothing", [] {}, false},
  };
  ARM_OR_SKIP(watch, in());
  EXPECT_TRUE(watch.takeListingNeed()) << "a new watch has seen no listing";
  for (const Case& c : cases) {
    writeClosed(path("old"));
    unlink(outside.constData());
    watch.takeListingNeed();
    c.change();
    EXPECT_EQ(watch.takeListingNeed(), c.listsAgain) << c.what;
    EXPECT_FALSE(watch.takeListingNeed()) << c.what << ", asked again";
  }
  // Where no watch stands (a network file system, a watch the system refused), every tick lists.
  WriteWatch unarmed;
  EXPECT_TRUE(unarmed.takeListingNeed() && unarmed.takeListingNeed());
}

// The system's limits may refuse an instance for a while: each tick tries again.
TEST_F(WriteWatchTest, AWatchTheSystemRefusedIsTriedAgainAtTheNextTick) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowestFree = dup(0);
  ASSERT_GE(lowestFree, 0);
  close(lowestFree);
  rlimit full = saved;
  full.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &full), 0);
  WriteWatch refused;
  refused.setFolder(in());
  const bool armedWhileFull = refused.armed();
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_FALSE(armedWhileFull);
  refused.ensureArmed();
  EXPECT_TRUE(refused.armed());
}

TEST_F(WriteWatchTest, AnOverflowForgetsWhatCameBeforeAndWatchingGoesOn) {
  int limit = 0;
  std::ifstream(std::string("/proc/sys/fs/inotify/max_queued_events")) >> limit;
  if (limit <= 0 || limit > (1 << 20)) {
    GTEST_SKIP() << "the event queue limit " << limit << " is unknown or too large to fill";
  }
  ARM_OR_SKIP(watch, in());
  const UniqueFd open = create(path("open"));
  ASSERT_EQ(write(open.get(), "x", 1), 1);
  writeClosed(path("closed"));
  ASSERT_EQ(verdictOf("open"), Verdict::Writing);
  // Writes to two files in turn are never merged into one event.
  const UniqueFd files[2] = {create(path("x")), create(path("y"))};
  watch.takeListingNeed();
  for (int i = 0; i <= limit; ++i) {
    ASSERT_EQ(write(files[i % 2].get(), "x", 1), 1);
  }

  EXPECT_EQ(verdictOf("open"), Verdict::NotCovered);
  EXPECT_EQ(verdictOf("closed"), Verdict::NotCovered);
  EXPECT_TRUE(watch.takeListingNeed());
  EXPECT_TRUE(watch.armed());
  // Written to: the kernel merges the asker's open into an unread open just before it.
  const UniqueFd after = create(path("after"));
  ASSERT_EQ(write(after.get(), "x", 1), 1);
  EXPECT_EQ(verdictOf("after"), Verdict::Writing);
}

TEST_F(WriteWatchTest, TheFolderRenamedAwayAndBackIsToldOnceAndWatchedAgain) {
  const QString away = dir.filePath(QStringLiteral("away"));
  FolderHealth health;
  ARM_OR_SKIP(watch, in());

  ASSERT_TRUE(QDir().rename(in(), away));
  QCoreApplication::processEvents();
  EXPECT_FALSE(watch.armed());
  const FolderHealth::Step lost = health.tick(in(), QFileInfo(in()).isDir());
  EXPECT_EQ(lost.action, FolderHealth::Action::Show);
  EXPECT_EQ(lost.notice, QStringLiteral("El directorio de monitorización no existe: ") + in());
  EXPECT_EQ(health.tick(in(), false).action, FolderHealth::Action::Keep);

  ASSERT_TRUE(QDir().rename(away, in()));
  watch.ensureArmed();
  EXPECT_TRUE(watch.armed());
  const UniqueFd file = create(path("f"));
  ASSERT_EQ(write(file.get(), "x", 1), 1);
  EXPECT_EQ(verdictOf("f"), Verdict::Writing);
  EXPECT_EQ(health.tick(in(), true).action, FolderHealth::Action::Clear);
  EXPECT_EQ(health.tick(in(), true).action, FolderHealth::Action::Keep);
}

}  // namespace
