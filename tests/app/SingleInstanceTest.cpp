// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"
#include "common/TestSupport.h"

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cstring>

namespace {

// What a copy that crashed leaves behind: a socket file that nobody listens on.
void leaveStaleSocket(const QString& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray bytes = QFile::encodeName(path);
  ASSERT_LT(bytes.size(), static_cast<qsizetype>(sizeof(address.sun_path)));
  std::memcpy(address.sun_path, bytes.constData(), static_cast<size_t>(bytes.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  ASSERT_TRUE(QFile::exists(path));
}

// Keeps the sockets of the test out of the user's own runtime folder.
class SingleInstanceTest : public ::testing::Test {
protected:
  void SetUp() override { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path())); }
  void TearDown() override {
    if (saved.isNull()) {
      qunsetenv("XDG_RUNTIME_DIR");
    } else {
      qputenv("XDG_RUNTIME_DIR", saved);
    }
  }

  QTemporaryDir runtime;
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
};

struct Case {
  const char* name;
  bool firstCrashed;   // the first copy left only its socket file
  const char* second;  // the second start's settings file
  bool handsOver;
};

}  // namespace

// The first copy runs on a/Config.ini; a second start either hands over to it or runs, and a
// copy that runs answers the next start on its own file.
TEST_F(SingleInstanceTest, SecondStartHandsOverOnlyOnTheSameSettingsFile) {
  const Case cases[] = {
      {"same file", false, "a/Config.ini", true},
      {"same file by another path", false, "link/Config.ini", true},
      {"other file", false, "b/Config.ini", false},
      {"stale socket of a crashed copy", true, "a/Config.ini", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestWorld world;
    world.makeFolder(QStringLiteral("a"));
    world.makeFolder(QStringLiteral("b"));
    world.writeFile(QStringLiteral("a/Config.ini"));
    world.writeFile(QStringLiteral("b/Config.ini"));
    ASSERT_TRUE(QFile::link(world.path(QStringLiteral("a")), world.path(QStringLiteral("link"))));
    const QString firstFile = world.path(QStringLiteral("a/Config.ini"));
    const QString secondFile = world.path(QString::fromLatin1(c.second));
    ASSERT_TRUE(SingleInstance::serverName(firstFile).startsWith(runtime.path()));

    SingleInstance first(firstFile);
    QSignalSpy firstAsked(&first, &SingleInstance::activationRequested);
    if (c.firstCrashed) {
      leaveStaleSocket(SingleInstance::serverName(firstFile));
    } else {
      ASSERT_FALSE(first.handOver());
    }

    SingleInstance second(secondFile);
    QSignalSpy secondAsked(&second, &SingleInstance::activationRequested);
    EXPECT_EQ(second.handOver(), c.handsOver);
    if (c.handsOver) {
      EXPECT_TRUE(firstAsked.wait(2000));
    } else {
      SingleInstance third(secondFile);
      EXPECT_TRUE(third.handOver());
      EXPECT_TRUE(secondAsked.wait(2000));
      EXPECT_EQ(firstAsked.count(), 0);
    }
  }
}
