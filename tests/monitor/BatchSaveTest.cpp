#include "monitor/BatchSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A watched folder "in" and a save folder "out" in a temporary folder.
class BatchSaveTest : public ::testing::Test {
protected:
  QString in() const { return dir.filePath(QStringLiteral("in")); }
  QString out() const { return dir.filePath(QStringLiteral("out")); }

  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(in()));
    ASSERT_TRUE(QDir().mkpath(out()));
  }

  void put(const QString& name, const QByteArray& bytes) const {
    QFile file(in() + QLatin1Char('/') + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  static QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  // Puts a file's modification time an hour back, so it does not look freshly written.
  void age(const QString& name) const {
    struct stat info {};
    const QByteArray path = QFile::encodeName(in() + QLatin1Char('/') + name);
    ASSERT_EQ(stat(path.constData(), &info), 0);
    timespec times[2] = {info.st_atim, info.st_mtim};
    times[1].tv_sec -= 3600;
    ASSERT_EQ(utimensat(AT_FDCWD, path.constData(), times, 0), 0);
  }

  SaveRequest request(const QStringList& names,
                      const QString& prefix = QStringLiteral("Fotos_")) const {
    return {out(), prefix, in(), names, QDateTime(QDate(2004, 3, 5), QTime(9, 7, 3))};
  }

  QStringList entries(const QString& folder) const {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
  }

  QTemporaryDir dir;
  const QStringList abc{QStringLiteral("a.bmp"), QStringLiteral("b.bmp"), QStringLiteral("c.bmp")};
};

TEST_F(BatchSaveTest, MovesEveryFileIntoTheStampedFolderKeepingContentAndDate) {
  put(QStringLiteral("a.bmp"), "alpha");
  put(QStringLiteral("b.bmp"), QByteArray(3 << 20, 'b'));
  put(QStringLiteral("c.bmp"), QByteArray());
  age(QStringLiteral("a.bmp"));
  const QDateTime aDate = QFileInfo(in() + QStringLiteral("/a.bmp")).lastModified();

  const SaveResult result = saveBatch(request(abc));

  ASSERT_TRUE(result.ok()) << result.reason.toStdString();
  const QString batch = out() + QStringLiteral("/Fotos_532004_973");
  EXPECT_EQ(result.batchFolder, batch);
  EXPECT_EQ(result.moved, 3);
  EXPECT_TRUE(result.kept.empty());
  EXPECT_EQ(entries(batch), abc);
  EXPECT_EQ(read(batch + QStringLiteral("/a.bmp")), "alpha");
  EXPECT_EQ(read(batch + QStringLiteral("/b.bmp")), QByteArray(3 << 20, 'b'));
  EXPECT_EQ(read(batch + QStringLiteral("/c.bmp")), QByteArray());
  EXPECT_EQ(QFileInfo(batch + QStringLiteral("/a.bmp")).lastModified(), aDate);
  EXPECT_TRUE(entries(in()).isEmpty());
}

TEST_F(BatchSaveTest, TrailingSeparatorAndEmptyPrefix) {
  put(QStringLiteral("a.bmp"), "a");
  SaveRequest withSlash = request({QStringLiteral("a.bmp")}, QString());
  withSlash.base = out() + QLatin1Char('/');

  const SaveResult result = saveBatch(withSlash);

  ASSERT_TRUE(result.ok()) << result.reason.toStdString();
  EXPECT_EQ(result.batchFolder, out() + QStringLiteral("//532004_973"));
  EXPECT_EQ(entries(out()), QStringList{QStringLiteral("532004_973")});
  EXPECT_EQ(read(out() + QStringLiteral("/532004_973/a.bmp")), "a");
}

TEST_F(BatchSaveTest, EmptyListStillCreatesTheFolder) {
  const SaveResult result = saveBatch(request({}));
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(QFileInfo(out() + QStringLiteral("/Fotos_532004_973")).isDir());
  EXPECT_EQ(result.moved, 0);
}

TEST_F(BatchSaveTest, SecondSaveInTheSameSecondMovesNothing) {
  put(QStringLiteral("a.bmp"), "a");
  ASSERT_TRUE(saveBatch(request({QStringLiteral("a.bmp")})).ok());
  put(QStringLiteral("d.bmp"), "d");

  const SaveResult second = saveBatch(request({QStringLiteral("d.bmp")}));

  EXPECT_EQ(second.failure, SaveFailure::FolderExists);
  EXPECT_EQ(second.concerned, out() + QStringLiteral("/Fotos_532004_973"));
  EXPECT_EQ(entries(in()), QStringList{QStringLiteral("d.bmp")});
  EXPECT_EQ(entries(out() + QStringLiteral("/Fotos_532004_973")),
            QStringList{QStringLiteral("a.bmp")});
}

TEST_F(BatchSaveTest, FileHeldOpenForWritingStopsTheSaveBeforeAnythingIsCreated) {
  for (const QString& name : abc) {
    put(name, name.toUtf8());
  }
  const int writer =
      open(QFile::encodeName(in() + QStringLiteral("/b.bmp")).constData(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);

  const SaveResult result = saveBatch(request(abc));
  close(writer);

  EXPECT_EQ(result.failure, SaveFailure::InUse);
  EXPECT_EQ(result.concerned, in() + QStringLiteral("/b.bmp"));
  EXPECT_EQ(entries(in()), abc);
  EXPECT_EQ(read(in() + QStringLiteral("/b.bmp")), "b.bmp");
  EXPECT_TRUE(entries(out()).isEmpty());

  EXPECT_TRUE(saveBatch(request(abc)).ok());
}

TEST_F(BatchSaveTest, WithoutLeasesAFreshlyWrittenFileCountsAsInUse) {
  put(QStringLiteral("old.bmp"), "o");
  put(QStringLiteral("new.bmp"), "n");
  age(QStringLiteral("old.bmp"));
  const InUseCheck noLeases{false, {}};

  const SaveResult both =
      saveBatch(request({QStringLiteral("old.bmp"), QStringLiteral("new.bmp")}), noLeases);
  EXPECT_EQ(both.failure, SaveFailure::InUse);
  EXPECT_EQ(both.concerned, in() + QStringLiteral("/new.bmp"));
  EXPECT_EQ(entries(in()).size(), 2);
  EXPECT_TRUE(entries(out()).isEmpty());

  EXPECT_TRUE(saveBatch(request({QStringLiteral("old.bmp")}), noLeases).ok());
}

TEST_F(BatchSaveTest, MissingSourceRollsBackTheCopiesAndTheFolder) {
  put(QStringLiteral("a.bmp"), "a");
  put(QStringLiteral("c.bmp"), "c");

  const SaveResult result = saveBatch(request(abc));

  EXPECT_EQ(result.failure, SaveFailure::Other);
  EXPECT_EQ(result.concerned, in() + QStringLiteral("/b.bmp"));
  EXPECT_FALSE(result.reason.isEmpty());
  EXPECT_TRUE(entries(out()).isEmpty());
  EXPECT_EQ(entries(in()), (QStringList{QStringLiteral("a.bmp"), QStringLiteral("c.bmp")}));
}

TEST_F(BatchSaveTest, SourceThatIsNotAPlainFileRollsBack) {
  put(QStringLiteral("a.bmp"), "a");
  ASSERT_TRUE(QDir(in()).mkdir(QStringLiteral("b.bmp")));
  const SaveResult result = saveBatch(request({QStringLiteral("a.bmp"), QStringLiteral("b.bmp")}));
  EXPECT_EQ(result.failure, SaveFailure::Other);
  EXPECT_TRUE(entries(out()).isEmpty());
  EXPECT_EQ(read(in() + QStringLiteral("/a.bmp")), "a");
}

TEST_F(BatchSaveTest, SaveFolderThatCannotHoldFoldersIsReported) {
  put(QStringLiteral("a.bmp"), "a");
  SaveRequest intoFile = request({QStringLiteral("a.bmp")});
  intoFile.base = in() + QStringLiteral("/a.bmp");
  SaveRequest intoNothing = request({QStringLiteral("a.bmp")});
  intoNothing.base = dir.filePath(QStringLiteral("gone"));

  for (const SaveRequest& bad : {intoFile, intoNothing}) {
    const SaveResult result = saveBatch(bad);
    EXPECT_EQ(result.failure, SaveFailure::Other);
    EXPECT_EQ(result.concerned, bad.base);
    EXPECT_EQ(read(in() + QStringLiteral("/a.bmp")), "a");
  }
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("gone"))));
}

TEST_F(BatchSaveTest, PrefixThatLeavesTheSaveFolderIsRefused) {
  put(QStringLiteral("a.bmp"), "a");
  for (const QString& prefix :
       {QStringLiteral("../x"), QStringLiteral("a/b"), QStringLiteral("."), QStringLiteral("..")}) {
    const SaveResult result = saveBatch(request({QStringLiteral("a.bmp")}, prefix));
    EXPECT_EQ(result.failure, SaveFailure::Other) << prefix.toStdString();
    EXPECT_EQ(result.concerned, prefix);
  }
  EXPECT_TRUE(entries(out()).isEmpty());
  EXPECT_EQ(entries(dir.path()), (QStringList{QStringLiteral("in"), QStringLiteral("out")}));
  EXPECT_EQ(entries(in()), QStringList{QStringLiteral("a.bmp")});
}

TEST_F(BatchSaveTest, EmptySaveFolderIsRefusedRatherThanUsingTheRoot) {
  put(QStringLiteral("a.bmp"), "a");
  SaveRequest unset = request({QStringLiteral("a.bmp")});
  unset.base.clear();
  EXPECT_EQ(saveBatch(unset).failure, SaveFailure::Other);
  EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/Fotos_532004_973")));
  EXPECT_EQ(entries(in()), QStringList{QStringLiteral("a.bmp")});
}

// The clock is read before each copy: once a.bmp is in the batch, a.bmp is rewritten.
TEST_F(BatchSaveTest, SourceChangedAfterItsCopyIsKeptAndReported) {
  put(QStringLiteral("a.bmp"), "original");
  put(QStringLiteral("b.bmp"), "b");
  age(QStringLiteral("a.bmp"));
  age(QStringLiteral("b.bmp"));
  const QString batch = out() + QStringLiteral("/Fotos_532004_973");
  const InUseCheck changeAfterCopy{false, [&] {
                                     if (QFileInfo::exists(batch + QStringLiteral("/a.bmp"))) {
                                       put(QStringLiteral("a.bmp"), "rewritten!");
                                     }
                                     timespec now{};
                                     clock_gettime(CLOCK_REALTIME, &now);
                                     return now;
                                   }};

  const SaveResult result =
      saveBatch(request({QStringLiteral("a.bmp"), QStringLiteral("b.bmp")}), changeAfterCopy);

  ASSERT_TRUE(result.ok()) << result.reason.toStdString();
  EXPECT_EQ(result.moved, 1);
  ASSERT_EQ(result.kept.size(), 1u);
  EXPECT_EQ(result.kept[0].path, in() + QStringLiteral("/a.bmp"));
  EXPECT_EQ(read(in() + QStringLiteral("/a.bmp")), "rewritten!");
  EXPECT_EQ(read(batch + QStringLiteral("/a.bmp")), "original");
  EXPECT_FALSE(QFileInfo::exists(in() + QStringLiteral("/b.bmp")));
}

}  // namespace
