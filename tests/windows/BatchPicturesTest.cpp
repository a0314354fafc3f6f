// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ViewerTestSupport.h"
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

#include <gtest/gtest.h>

#include <sys/stat.h>
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

// Every worker has ended, and what it told has reached the window.
void drain() {
  QThreadPool::globalInstance()->waitForDone();
  QCoreApplication::processEvents();
}

// Four batches, newest first: three pictures; a mixed one; fourteen; one whose folder is gone.
class BatchPicturesTest : public ::testing::Test {
protected:
  bool makeBatches() {
    addBatch("Fotos_0", {"a.bmp"});
    QDir(world.path(QStringLiteral("Fotos_0"))).removeRecursively();
    std::vector<QByteArray> fourteen;
    for (int i = 14; i >= 1; --i) {
      fourteen.push_back("captura_" + QByteArray::number(i) + ".bmp");
    }
    addBatch("Fotos_1", fourteen);
    // A PCX among BMPs, one cut short, one that cannot be opened, one no reader knows.
    addBatch("Fotos_2", {"a.bmp", "b.pcx", "c.bmp", "d.bmp", "e.bmp"});
    copyFixture(world, QStringLiteral("quadrants.pcx"), QStringLiteral("Fotos_2/b.pcx"));
    world.writeFile(QStringLiteral("Fotos_2/c.bmp"), world.readFile("Fotos_2/a.bmp").left(900));
    QFile::remove(world.path(QStringLiteral("Fotos_2/d.bmp")));
    mkfifo(QFile::encodeName(world.path(QStringLiteral("Fotos_2/d.bmp"))).constData(), 0600);
    world.writeFile(QStringLiteral("Fotos_2/e.bmp"), "no es una imagen");
    addBatch("Fotos_3", {"a.bmp", "b.bmp", "c.bmp"});
    return true;
  }

  void addBatch(const char* folder, const std::vector<QByteArray>& names) {
    HistoryRecord record{++seconds, world.makeFolder(QLatin1String(folder)), 0, names};
    QImage picture(160, 90, QImage::Format_RGB32);
    for (const QByteArray& name : names) {
      picture.fill(QColor::fromHsv(static_cast<int>(qHash(name) % 360), 255, 255));
      picture.save(record.folder + '/' + QString::fromLatin1(name), "BMP");
    }
    ASSERT_EQ(appendHistory(world.path(QStringLiteral("Historial.txt")), record), 0);
  }

  void select(int row) {
    auto* list = control<QTreeView>(lotes, "lstlotes");
    list->setCurrentIndex(list->model()->index(row, 0));
  }

  QString tooltip(int cell) const {
    return strip->model()->index(cell, 0).data(Qt::ToolTipRole).toString();
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
// the desktop's viewer; a placeholder for each picture that cannot be shown, and only for it;
// a batch whose folder is gone shows no strip, and says why.
TEST_F(BatchPicturesTest, TheSelectedBatchShowsItsPicturesOrWhyNot) {
  select(2);
  drain();
  ASSERT_FALSE(strip->isHidden());
  ASSERT_EQ(strip->model()->rowCount(), 12);
  EXPECT_EQ(line->text(), QStringLiteral("y 2 más"));
  EXPECT_EQ(tooltip(1), QStringLiteral("captura_2.bmp"));
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(strip->picture(i).size(), QSize(128, 72));
  }
  EXPECT_LE(strip->heldBytes(), 12 * 128 * 128 * 4);
  OpenedUrls opened;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
  const QPoint second = strip->visualRect(strip->model()->index(1, 0)).center();
  QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, second);
  QTest::mouseDClick(strip->viewport(), Qt::LeftButton, {}, second);
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(world.path("Fotos_1/captura_2.bmp"))});

  select(1);
  drain();
  using Cell = ThumbnailStrip::Cell;
  const std::vector<Cell> expected = {Cell::Picture, Cell::Picture, Cell::Placeholder,
                                      Cell::Placeholder, Cell::Placeholder};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(strip->cell(i), expected[static_cast<std::size_t>(i)]) << i;
  }
  EXPECT_TRUE(showsPicture(strip->picture(1), QStringLiteral("quadrants.ppm")));
  EXPECT_EQ(tooltip(3), QStringLiteral("«d.bmp»: no se puede mostrar esta imagen."));

  select(3);
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
  select(2);
  ASSERT_TRUE(started.tryAcquire(1, 10'000));

  QSignalSpy finished(loader, &ThumbnailLoader::finished);
  select(0);
  ASSERT_TRUE(finished.wait(10'000));
  ASSERT_EQ(strip->model()->rowCount(), 3);
  EXPECT_EQ(strip->cell(2), ThumbnailStrip::Cell::Picture);
  control<XPButton>(lotes, "cmdabrir")->click();
  EXPECT_EQ(world.openedFolders, QStringList{world.path(QStringLiteral("Fotos_3"))});
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
