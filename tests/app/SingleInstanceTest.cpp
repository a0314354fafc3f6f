// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"
#include "common/TestSupport.h"
#include "fs/UniqueFd.h"

#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

using namespace std::chrono_literals;
using Verdict = SingleInstance::Verdict;

namespace {

constexpr auto answerWithin = 500ms;
constexpr uid_t nobody = 65534;

enum class Socket { Bound, Listening, Connected };

// A local socket at path: bound and left (what a crashed copy leaves), listening and never
// answering (a frozen copy, whose queue one call fills), or such a call.
UniqueFd socketAt(const QByteArray& path, Socket kind) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
  const auto* at = reinterpret_cast<sockaddr*>(&address);
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  const bool made = kind == Socket::Connected
                        ? ::connect(fd.get(), at, sizeof(address)) == 0
                        : ::bind(fd.get(), at, sizeof(address)) == 0 &&
                              (kind == Socket::Bound || ::listen(fd.get(), 0) == 0);
  return made ? std::move(fd) : UniqueFd();
}

// Another user's listener in a folder of theirs: made with that user's rights, which the kernel
// records for whoever calls it.
UniqueFd listenAsNobody(const QByteArray& folder, const QByteArray& path) {
  if (seteuid(nobody) != 0) {
    return UniqueFd();
  }
  ::mkdir(folder.constData(), 0700);
  UniqueFd listener = socketAt(path, Socket::Listening);
  return seteuid(0) == 0 ? std::move(listener) : UniqueFd();
}

// Whether a call to listener brought a byte.
bool heardAnything(int listener) {
  char byte = 0;
  const UniqueFd call(::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
  return call.valid() && ::read(call.get(), &byte, 1) == 1;
}

// A start on a thread of its own, as another process would be: its loop answers later starts,
// which wait for the answer on the test's thread.
class Start {
public:
  Start(const QString& file, const InstancePlaces& places) {
    anchor_.moveToThread(&thread_);
    thread_.start();
    run([&] {
      instance_ = std::make_unique<SingleInstance>(file, places, answerWithin);
      QObject::connect(instance_.get(), &SingleInstance::activationRequested, [this] { ++asked; });
      verdict = instance_->handOver();
      path = instance_->socketPath();
    });
  }
  ~Start() {
    run([this] { instance_.reset(); });
    thread_.quit();
    thread_.wait();
  }

  Verdict verdict = Verdict::Run;
  QString path;
  std::atomic<int> asked = 0;

private:
  void run(const std::function<void()>& step) {
    QMetaObject::invokeMethod(&anchor_, step, Qt::BlockingQueuedConnection);
  }

  QThread thread_;
  QObject anchor_;
  std::unique_ptr<SingleInstance> instance_;
};

enum class Runtime { Private, Loose, OtherUsers, Unset };
enum class Planted {
  Nothing,
  RunningCopy,  // on a/Config.ini
  StaleSocket,
  ForeignListener,
  FifoAtLock,
  PlainFiles,
  FrozenCopy,
  FrozenFullQueue,
  SquattedTemp
};

struct Case {
  Runtime runtime;
  Planted planted;
  const char* file;
  Verdict verdict;
};

}  // namespace

// A start finds a copy of its own user on its settings file wherever it runs, and nothing that a
// crash, another user or a stuck copy leaves makes it hang, give way or run twice.
TEST(SingleInstanceTest, AStartMeetsOnlyItsOwnRunningCopy) {
  const char* a = "a/Config.ini";
  const Case cases[] = {
      {Runtime::Private, Planted::RunningCopy, a, Verdict::HandedOver},
      {Runtime::Private, Planted::RunningCopy, "link/Config.ini", Verdict::HandedOver},
      {Runtime::Private, Planted::RunningCopy, "b/Config.ini", Verdict::Run},
      {Runtime::Private, Planted::StaleSocket, a, Verdict::Run},
      {Runtime::Private, Planted::ForeignListener, a, Verdict::Run},
      {Runtime::Private, Planted::FifoAtLock, a, Verdict::Run},
      {Runtime::Private, Planted::PlainFiles, a, Verdict::Run},
      {Runtime::Private, Planted::FrozenCopy, a, Verdict::NotAnswering},
      {Runtime::Private, Planted::FrozenFullQueue, a, Verdict::NotAnswering},
      {Runtime::Unset, Planted::RunningCopy, a, Verdict::HandedOver},
      {Runtime::Loose, Planted::Nothing, a, Verdict::Run},
      {Runtime::OtherUsers, Planted::Nothing, a, Verdict::Run},
      {Runtime::Unset, Planted::SquattedTemp, a, Verdict::Run},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << &c - cases);
    const bool othersListen =
        c.planted == Planted::ForeignListener || c.planted == Planted::SquattedTemp;
    if ((othersListen || c.runtime == Runtime::OtherUsers) && geteuid() != 0) {
      continue;  // only root can act as another user
    }
    TestWorld world;
    ASSERT_EQ(chmod(QFile::encodeName(world.dir.path()).constData(), 0755), 0);
    world.makeFolder(QStringLiteral("a"));
    world.makeFolder(QStringLiteral("b"));
    world.writeFile(QStringLiteral("a/Config.ini"));
    world.writeFile(QStringLiteral("b/Config.ini"));
    ASSERT_TRUE(QFile::link(world.path(QStringLiteral("a")), world.path(QStringLiteral("link"))));
    const QString run = world.makeFolder(QStringLiteral("run"));
    const QString temp = world.makeFolder(QStringLiteral("tmp"));
    ASSERT_EQ(chmod(QFile::encodeName(temp).constData(), 01777), 0);
    ASSERT_EQ(chmod(QFile::encodeName(run).constData(), c.runtime == Runtime::Loose ? 0755 : 0700),
              0);
    if (c.runtime == Runtime::OtherUsers) {
      ASSERT_EQ(chown(QFile::encodeName(run).constData(), nobody, nobody), 0);
    }
    const InstancePlaces places{c.runtime == Runtime::Unset ? QString() : run, temp};
    const QString firstFile = world.path(QString::fromLatin1(a));
    const QByteArray name = QFile::encodeName(SingleInstance::socketName(firstFile));
    const QByteArray atName = QFile::encodeName(run) + '/' + name;
    const QByteArray theirs = QFile::encodeName(temp) + "/theirs";
    const QString own = temp + QStringLiteral("/varndel-%1").arg(geteuid());

    std::optional<Start> first;
    UniqueFd left, filler;
    switch (c.planted) {
      case Planted::Nothing:
        break;
      case Planted::RunningCopy:
        first.emplace(firstFile, places);
        ASSERT_EQ(first->verdict, Verdict::Run);
        break;
      case Planted::StaleSocket:
        left = socketAt(atName, Socket::Bound);
        ASSERT_TRUE(left.valid());
        break;
      case Planted::ForeignListener:
        left = listenAsNobody(theirs, theirs + '/' + name);
        ASSERT_TRUE(left.valid());
        ASSERT_EQ(::rename(theirs + '/' + name, atName), 0);
        break;
      case Planted::FifoAtLock:
        ASSERT_EQ(mkfifo(atName + ".lock", 0600), 0);
        break;
      case Planted::PlainFiles:
        world.writeFile(QStringLiteral("run/") + QFile::decodeName(name));
        world.writeFile(QStringLiteral("run/") + QFile::decodeName(name + ".lock"));
        break;
      case Planted::FrozenCopy:
      case Planted::FrozenFullQueue:
        left = socketAt(atName, Socket::Listening);
        ASSERT_TRUE(left.valid());
        if (c.planted == Planted::FrozenFullQueue) {
          filler = socketAt(atName, Socket::Connected);
          ASSERT_TRUE(filler.valid());
        }
        break;
      case Planted::SquattedTemp:
        left = listenAsNobody(QFile::encodeName(own), QFile::encodeName(own) + '/' + name);
        ASSERT_TRUE(left.valid());
        break;
    }

    const QString file = world.path(QString::fromLatin1(c.file));
    const Start second(file, places);
    EXPECT_EQ(second.verdict, c.verdict);
    // Where the starts meet: the runtime folder when it is private, else one of ours in the
    // temporary folder, under another name when another user took ours.
    const QString folder = c.runtime == Runtime::Private        ? run + QLatin1Char('/')
                           : c.planted == Planted::SquattedTemp ? own + QLatin1Char('-')
                                                                : own + QLatin1Char('/');
    EXPECT_TRUE(second.path.startsWith(folder)) << second.path.toStdString();
    if (c.verdict == Verdict::HandedOver) {
      EXPECT_EQ(first->asked, 1);
    }
    if (c.verdict == Verdict::Run) {
      SingleInstance third(file, places, answerWithin);
      EXPECT_EQ(third.handOver(), Verdict::HandedOver);
      EXPECT_EQ(second.asked, 1);
      EXPECT_TRUE(!first || first->asked == 0);
    }
    EXPECT_FALSE(othersListen && heardAnything(left.get()));
  }
}
