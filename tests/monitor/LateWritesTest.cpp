// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ScriptedFileOps.h"
#include "fs/OpenFileLimit.h"
#include "monitor/LateWrites.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An original removed after its copy, whose writer goes on adding a part now and then: held
// while a writer is seen to hold it, or until nothing changed for 10 s however long its writer
// takes; what it added comes back to the watched folder whole.
TEST(LateWrites, ContentAddedAfterTheSaveComesBackWholeOnceQuiet) {
  struct Case {
    LeaseAnswer lease;
    std::vector<int> addsAt;  // seconds after the save, each part looked at as it comes
    int lastLook;
    bool stillHeld;
    QByteArray writtenBack;
  };
  // Slower than any fixed grace: each part starts the 10 s again.
  const std::vector<int> slow{1, 10, 19, 28, 37, 46};
  const Case cases[] = {
      {LeaseAnswer::Refused, {}, 9, true, ""},
      {LeaseAnswer::Refused, {}, 10, false, ""},
      {LeaseAnswer::Refused, {1}, 10, true, ""},
      {LeaseAnswer::Refused, {1}, 11, false, "first+"},
      {LeaseAnswer::Refused, slow, 55, true, ""},
      {LeaseAnswer::Refused, slow, 56, false, "first++++++"},
      {LeaseAnswer::Free, {1}, 1, false, "first+"},
      {LeaseAnswer::Held, {1}, 60, true, ""},
  };
  static LeaseAnswer lease;
  const LateWrites::Clock::time_point saved{};
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    QTemporaryDir dir;
    const QByteArray file = QFile::encodeName(dir.filePath(QStringLiteral("a.bmp")));
    const UniqueFd writer(open(file.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    ASSERT_EQ(write(writer.get(), "first", 5), 5);
    UniqueFd held(open(file.constData(), O_RDONLY | O_CLOEXEC));
    struct stat copied {};
    ASSERT_EQ(fstat(held.get(), &copied), 0);
    ASSERT_EQ(unlink(file.constData()), 0);
    SaveResult result;
    result.watched = std::make_shared<const UniqueFd>(
        open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    result.removed.push_back({"a.bmp", holdOriginal(std::move(held)), identityOf(copied), 0644});
    lease = c.lease;
    LateWrites late([](int) { return lease; });
    late.adopt(result, saved);

    std::vector<LeftFile> back;
    const auto look = [&](int second) {
      for (LeftFile& left : late.check(saved + std::chrono::seconds(second), realFileOps())) {
        back.push_back(std::move(left));
      }
    };
    for (const int second : c.addsAt) {
      ASSERT_EQ(write(writer.get(), "+", 1), 1);
      look(second);
    }
    look(c.lastLook);

    EXPECT_EQ(back.size(), c.writtenBack.isEmpty() ? 0u : 1u);
    EXPECT_EQ(late.empty(), !c.stillHeld);
    QFile restored(QFile::decodeName(file));
    EXPECT_EQ(restored.open(QIODevice::ReadOnly) ? restored.readAll() : QByteArray(),
              c.writtenBack);
  }
}

// Across file systems, what only the quiet rule let through is held once removed, and taken only
// while a descriptor is spare to hold it; the rest stays untouched for a later batch. A file
// whose writer was seen to close needs no holding.
TEST(LateWrites, ASaveHoldsWhatOnlyTheQuietRuleLetThroughWhileItCan) {
  struct Case {
    bool seenClosed;
    rlim_t spare;
    std::size_t held;
    std::size_t left;
  };
  for (const Case& c : {Case{false, 2, 2, 0}, Case{true, 0, 0, 0}, Case{false, 1, 1, 1}}) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in"));
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(in) && QDir().mkpath(out));
    for (const char* name : {"a.bmp", "b.bmp"}) {
      QFile file(in + QLatin1Char('/') + QLatin1String(name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(name) > 0);
    }
    ScriptedFileOps acrossFileSystems([told = false](FileOps::Step step, const QByteArray& name,
                                                     int) mutable {
      const bool first = !told && step == FileOps::Step::Rename && !name.startsWith(".varndel-");
      told = told || first;
      return first ? EXDEV : 0;
    });
    InUseCheck check{false,
                     [] {
                       timespec later{};
                       clock_gettime(CLOCK_REALTIME, &later);
                       later.tv_sec += 11;
                       return later;
                     },
                     {}};
    if (c.seenClosed) {
      check.events = [](const QByteArray&, const timespec&) { return EventVerdict::Closed; };
    }
    // Room for c.spare originals, then the limit raised again as a start raises it.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    limit.rlim_cur = limit.rlim_cur - descriptorsToSpare() + c.spare;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    const SaveRequest request{out, {}, in, {"a.bmp", "b.bmp"}, QDateTime::currentDateTime(),
                              {},  {}};
    const SaveResult result = saveBatch(request, {&acrossFileSystems, check, nullptr});
    raiseOpenFileLimit();
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    EXPECT_EQ(limit.rlim_cur, limit.rlim_max);

    SCOPED_TRACE(c.spare);
    ASSERT_TRUE(result.ok()) << result.reason.toStdString();
    EXPECT_EQ(result.removed.size(), c.held);
    EXPECT_EQ(result.left.size(), c.left);
    EXPECT_EQ(QDir(in).entryList(QDir::Files | QDir::Hidden).size(), c.left);
    EXPECT_EQ(QDir(result.batchFolder).entryList(QDir::Files | QDir::Hidden).size(), 2 - c.left);
  }
}

}  // namespace
