// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Netpbm.h"
#include "common/ViewerTestSupport.h"
#include "viewer/ThumbnailCache.h"
#include "viewer/ThumbnailLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <mutex>

namespace {

// Every worker has ended and what it told has reached the loader's thread.
void drain() {
  QThreadPool::globalInstance()->waitForDone();
  QCoreApplication::processEvents();
}

QImage solid(int width, int height, Qt::GlobalColor colour) {
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(colour);
  return picture;
}

// One bad file never hides the others: each is drawn or has its placeholder (a null thumbnail),
// and only what was drawn goes into the cache.
TEST(ThumbnailLoader, BadFilesGetPlaceholdersAndTheRestIsDrawn) {
  TestWorld world;
  const QString batch = world.makeFolder(QStringLiteral("Fotos_1"));
  solid(640, 360, Qt::red).save(batch + QStringLiteral("/a.bmp"), "BMP");
  solid(90, 160, Qt::green).save(batch + QStringLiteral("/b.bmp"), "BMP");
  copyFixture(world, QStringLiteral("quadrants.pcx"), QStringLiteral("Fotos_1/c.pcx"));
  const QByteArray whole = world.readFile(QStringLiteral("Fotos_1/a.bmp"));
  world.writeFile(QStringLiteral("Fotos_1/d.bmp"), whole.left(whole.size() / 3));
  ASSERT_EQ(mkfifo(QFile::encodeName(batch + QStringLiteral("/e.bmp")).constData(), 0600), 0);
  world.writeFile(QStringLiteral("Fotos_1/f.bmp"), "no es una imagen");
  const std::vector<QByteArray> names = {"a.bmp", "b.bmp", "c.pcx", "d.bmp",
                                         "e.bmp", "f.bmp", "g.bmp"};

  ThumbnailLoader loader;
  loader.setCacheRoot(world.path(QStringLiteral("cache")));
  std::map<int, QImage> told;
  int finished = 0;
  QObject::connect(&loader, &ThumbnailLoader::ready,
                   [&](int index, const QImage& thumbnail) { told.emplace(index, thumbnail); });
  QObject::connect(&loader, &ThumbnailLoader::finished, [&] { ++finished; });
  loader.load(batch, names);
  drain();

  EXPECT_EQ(finished, 1);
  ASSERT_EQ(told.size(), names.size());
  EXPECT_EQ(told[0], solid(128, 72, Qt::red));
  EXPECT_EQ(told[1], solid(72, 128, Qt::green));
  EXPECT_TRUE(showsPicture(told[2], QStringLiteral("quadrants.ppm")));
  EXPECT_EQ(told[2].size(), QSize(64, 48));
  for (int bad : {3, 4, 5, 6}) {
    EXPECT_TRUE(told[bad].isNull()) << names[static_cast<std::size_t>(bad)].constData();
  }
  EXPECT_EQ(
      QDir(world.path(QStringLiteral("cache/thumbnails/normal"))).entryList(QDir::Files).size(), 3);
}

// A batch no longer wanted stops at the file it was making, and what it made is never told.
TEST(ThumbnailLoader, AnotherBatchCancelsTheOneBefore) {
  TestWorld world;
  for (const char* name : {"uno/a.bmp", "uno/b.bmp", "dos/c.bmp"}) {
    world.makeFolder(QString::fromLatin1(name).section('/', 0, 0));
    world.writeFile(QString::fromLatin1(name));
  }
  ThumbnailLoader loader;
  loader.setCacheRoot(world.path(QStringLiteral("cache")));
  QSemaphore started;
  QSemaphore release;
  std::mutex mutex;
  std::vector<QByteArray> decoded;
  loader.setDecoder([&](const QByteArray& path) {
    {
      const std::lock_guard lock(mutex);
      decoded.push_back(path.mid(path.lastIndexOf('/') + 1));
    }
    started.release();
    release.tryAcquire(1, 10'000);
    return solid(8, 8, Qt::blue);
  });
  std::vector<int> told;
  QObject::connect(&loader, &ThumbnailLoader::ready,
                   [&](int index, const QImage&) { told.push_back(index); });

  loader.load(world.path(QStringLiteral("uno")), {"a.bmp", "b.bmp"});
  ASSERT_TRUE(started.tryAcquire(1, 10'000));
  loader.load(world.path(QStringLiteral("dos")), {"c.bmp"});
  release.release(2);
  drain();

  EXPECT_EQ(told, std::vector<int>{0});
  std::sort(decoded.begin(), decoded.end());
  EXPECT_EQ(decoded, (std::vector<QByteArray>{"a.bmp", "c.bmp"}));
}

TEST(ThumbnailLoader, TheFirstNamesAreTakenInTheOrderAFileManagerShows) {
  const std::vector<QByteArray> names = {"captura_10.bmp", "Captura_2.bmp", "captura_1.bmp",
                                         "b.bmp", "captura_3.bmp"};
  EXPECT_EQ(firstInNameOrder(names, 3),
            (std::vector<QByteArray>{"b.bmp", "captura_1.bmp", "Captura_2.bmp"}));
  EXPECT_EQ(firstInNameOrder(names, 12).size(), names.size());
}

}  // namespace
