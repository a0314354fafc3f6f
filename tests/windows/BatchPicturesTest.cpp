// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "controls/ThumbnailStrip.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "monitor/BatchHistory.h"
#include "viewer/ThumbnailLoader.h"
#include "windows/FrmLotes.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>

// What the desktop was asked to open.
class OpenedUrls : public QObject {
  Q_OBJECT
public:
  QList<QUrl> urls;
public slots:
  void open(const QUrl& url) { urls << url; }
};

namespace {

void drain() {
  QThreadPool::globalInstance()->waitForDone();
  QCoreApplication::processEvents();
}

// Three batches, newest first: three pictures, fourteen, and one whose folder is gone.
class BatchPicturesTest : public ::testing::Test {
protected:
  bool makeBatches() {
    addBatch("Fotos_0", 1);
    QDir(world.path(QStringLiteral("Fotos_0"))).removeRecursively();
    addBatch("Fotos_1", 14);
    addBatch("Fotos_2", 3);
    return true;
  }

  void addBatch(const char* folder, int count) {
    HistoryRecord record{++seconds, world.makeFolder(QLatin1String(folder)), 0, {}};
    for (int i = 1; i <= count; ++i) {
      const QByteArray name = "captura_" + QByteArray::number(i) + ".bmp";
      QImage picture(160, 90, QImage::Format_RGB32);
      picture.fill(QColor::fromHsv(i * 20, 255, 255));
      picture.save(record.folder + '/' + QString::fromLatin1(name), "BMP");
      record.names.push_back(name);
    }
    ASSERT_EQ(appendHistory(world.path(QStringLiteral("Historial.txt")), record), 0);
  }

  void select(int row) {
    auto* list = control<QTreeView>(lotes, "lstlotes");
    list->setCurrentIndex(list->model()->index(row, 0));
  }

  TestWorld world;
  qint64 seconds = 1'700'000'000;
  bool made = makeBatches();
  AppContext context = world.context();
  Forms forms{context};
  FrmLotes* lotes = forms.show<FrmLotes>();
  ThumbnailStrip* strip = control<ThumbnailStrip>(lotes, "lstimagenes");
  QLabel* line = control<QLabel>(lotes, "lblimagenes");
};

// The first twelve in name order and the count of the rest; a double click opens a picture in
// the desktop's viewer; a batch whose folder is gone shows no strip, and says why.
TEST_F(BatchPicturesTest, TheSelectedBatchShowsItsPicturesOrWhyNot) {
  OpenedUrls opened;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
  select(1);
  drain();
  ASSERT_FALSE(strip->isHidden());
  ASSERT_EQ(strip->model()->rowCount(), 12);
  EXPECT_EQ(line->text(), QStringLiteral("y 2 más"));
  EXPECT_EQ(strip->model()->index(1, 0).data(Qt::ToolTipRole).toString(),
            QStringLiteral("captura_2.bmp"));
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(strip->cell(i), ThumbnailStrip::Cell::Picture);
    EXPECT_EQ(strip->picture(i).size(), QSize(128, 72));
  }
  EXPECT_LE(strip->heldBytes(), 12 * 128 * 128 * 4);

  const QRect second = strip->visualRect(strip->model()->index(1, 0));
  QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, second.center());
  QTest::mouseDClick(strip->viewport(), Qt::LeftButton, {}, second.center());
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(world.path("Fotos_1/captura_2.bmp"))});

  select(2);
  EXPECT_TRUE(strip->isHidden());
  EXPECT_EQ(line->text(),
            QStringLiteral("No se muestran las imágenes: la carpeta del lote ya no existe."));
}

// While a picture takes long to decode, the window goes on answering: another batch shows,
// its buttons work and the window closes; the batch left behind stops at that picture.
TEST_F(BatchPicturesTest, TheWindowAnswersWhileABatchDecodes) {
  drain();  // the newest batch, shown at load, is in the cache now
  QSemaphore started;
  QSemaphore release;
  std::atomic<int> calls = 0;
  std::atomic<bool> onGuiThread = false;
  auto* loader = lotes->findChild<ThumbnailLoader*>();
  loader->setDecoder([&](const QByteArray&) {
    ++calls;
    onGuiThread = QThread::currentThread() == qApp->thread();
    started.release();
    release.tryAcquire(1, 10'000);
    return QImage();
  });
  select(1);
  ASSERT_TRUE(started.tryAcquire(1, 10'000));

  QSignalSpy finished(loader, &ThumbnailLoader::finished);
  select(0);
  ASSERT_TRUE(finished.wait(10'000));
  ASSERT_EQ(strip->model()->rowCount(), 3);
  EXPECT_EQ(strip->cell(2), ThumbnailStrip::Cell::Picture);
  control<XPButton>(lotes, "cmdabrir")->click();
  EXPECT_EQ(world.openedFolders, QStringList{world.path(QStringLiteral("Fotos_2"))});
  control<XPButton>(lotes, "cmdcerrar")->click();
  EXPECT_FALSE(forms.isOpen<FrmLotes>());

  release.release();
  drain();
  flushDeletes();
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(onGuiThread);
}

}  // namespace

#include "BatchPicturesTest.moc"
