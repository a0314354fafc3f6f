// SPDX-License-Identifier: GPL-3.0-or-later
// The 12 thumbnails of a batch of 4K BMP screenshots (3840 x 2160, 24-bit) made through the
// loader (worker thread, cache looked up, decoded with a scaled size, entry written), against a
// bare loop of QImageReader with a scaled size over the same files; then with every thumbnail
// already in the cache (both timed with the process's CPU time too, since the loader works on
// another thread). Last, the saved batches' strip filling from a cold cache: the longest time
// the GUI thread goes without turning its event loop, against the same loop idle, the GUI
// thread's own CPU time in that gap, and the bytes the strip holds.
#include "BenchSupport.h"
#include "controls/ThumbnailStrip.h"
#include "viewer/ThumbnailLoader.h"
#include "windows/BatchPictures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int pictures = 12;
constexpr qint64 gapGoalNs = 50'000'000;
constexpr qint64 heldGoal = qint64{pictures} * 128 * 128 * 4;

qint64 heldBytes = 0;

qint64 threadCpuNs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return qint64{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// The longest gap between two turns of the GUI thread's event loop: in wall time, which on a
// machine shared with other work includes the time other processes ran, and in the thread's own
// CPU time, what the GUI thread itself did.
struct Gaps {
  qint64 wall = 0;
  qint64 cpu = 0;
};
Gaps filling;  // while the strip fills
Gaps idle;     // the baseline: the same loop with nothing to do, for a while

// Notes the turns through a precise 2 ms timer while it runs: a zero timer would keep the thread
// busy, and the system would then schedule it as it does a thread that computes.
class GapProbe {
public:
  explicit GapProbe(Gaps& gaps) : gaps_(gaps) {
    turn_.setInterval(2);
    turn_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&turn_, &QTimer::timeout, [this] { note(); });
    clock_.start();
    lastCpu_ = threadCpuNs();
    turn_.start();
  }

private:
  void note() {
    const qint64 now = clock_.nsecsElapsed();
    const qint64 cpu = threadCpuNs();
    gaps_.wall = std::max(gaps_.wall, now - last_);
    gaps_.cpu = std::max(gaps_.cpu, cpu - lastCpu_);
    last_ = now;
    lastCpu_ = cpu;
  }
  Gaps& gaps_;
  QTimer turn_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 lastCpu_ = 0;
};

const QTemporaryDir& root() {
  static const QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench_thumbs_XXXXXX"));
  return dir;
}

QString batch() {
  return root().filePath(QStringLiteral("Fotos_1"));
}

QString cacheRoot() {
  return root().filePath(QStringLiteral("cache"));
}

std::vector<QByteArray> names() {
  std::vector<QByteArray> made;
  for (int i = 1; i <= pictures; ++i) {
    made.push_back("captura_" + QByteArray::number(i) + ".bmp");
  }
  return made;
}

// A desktop-like picture: a gradient sky, windows and text-sized detail.
void writeBatch() {
  QImage screen(3840, 2160, QImage::Format_RGB32);
  QPainter painter(&screen);
  QLinearGradient sky(0, 0, 0, 2160);
  sky.setColorAt(0, QColor(93, 143, 201));
  sky.setColorAt(1, QColor(230, 238, 246));
  painter.fillRect(screen.rect(), sky);
  for (int i = 0; i < 40; ++i) {
    painter.fillRect(60 + i * 90, 200 + (i % 7) * 230, 700, 420, QColor::fromHsv(i * 9, 90, 240));
  }
  painter.end();
  QDir().mkpath(batch());
  for (const QByteArray& name : names()) {
    if (!screen.save(batch() + '/' + QString::fromLatin1(name), "BMP")) {
      std::abort();
    }
  }
}

void emptyCache() {
  QDir(cacheRoot()).removeRecursively();
}

// Loads the batch and turns the event loop until its last thumbnail was told.
int loadBatch(ThumbnailLoader& loader) {
  int made = 0;
  QEventLoop loop;
  const auto told =
      QObject::connect(&loader, &ThumbnailLoader::ready,
                       [&](int, const QImage& picture) { made += !picture.isNull(); });
  const auto done = QObject::connect(&loader, &ThumbnailLoader::finished, &loop, &QEventLoop::quit);
  loader.load(batch(), names());
  loop.exec();
  QObject::disconnect(told);
  QObject::disconnect(done);
  return made;
}

void BM_BareReader(benchmark::State& state) {
  for (auto _ : state) {
    for (const QByteArray& name : names()) {
      QImageReader reader(batch() + '/' + QString::fromLatin1(name));
      reader.setScaledSize(QSize(128, 72));
      const QImage picture = reader.read();
      if (picture.isNull()) {
        state.SkipWithError("a picture did not decode");
      }
      benchmark::DoNotOptimize(picture.constBits());
    }
  }
}

// Argument 0: a cold cache, emptied before each batch; 1: every thumbnail already there.
void BM_Thumbnails(benchmark::State& state) {
  const bool warm = state.range(0) != 0;
  ThumbnailLoader loader;
  loader.setCacheRoot(cacheRoot());
  emptyCache();
  if (warm) {
    loadBatch(loader);
  }
  for (auto _ : state) {
    if (!warm) {
      state.PauseTiming();
      emptyCache();
      state.ResumeTiming();
    }
    if (loadBatch(loader) != pictures) {
      state.SkipWithError("a thumbnail was not made");
    }
  }
}

// The strip of the saved batches' window, shown, filling from a cold cache while a probe
// notes each turn of the event loop.
void BM_StripFill(benchmark::State& state) {
  qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheRoot()));
  BatchPictures view(nullptr);
  view.resize(424, 176);
  view.show();
  QCoreApplication::processEvents();  // the first paint of a window, not the strip's
  auto* loader = view.findChild<ThumbnailLoader*>();
  for (auto _ : state) {
    state.PauseTiming();
    emptyCache();
    view.clear();
    state.ResumeTiming();
    {
      QEventLoop loop;
      QObject::connect(loader, &ThumbnailLoader::finished, &loop, &QEventLoop::quit);
      const GapProbe probe(filling);
      view.showBatch(batch(), names());
      loop.exec();
    }
    state.PauseTiming();
    {
      QEventLoop loop;
      QTimer::singleShot(500, &loop, &QEventLoop::quit);
      const GapProbe probe(idle);
      loop.exec();
    }
    state.ResumeTiming();
  }
  heldBytes = view.findChild<ThumbnailStrip*>()->heldBytes();
  state.counters["gap_ms"] = static_cast<double>(filling.wall) / 1e6;
  state.counters["gap_cpu_ms"] = static_cast<double>(filling.cpu) / 1e6;
  state.counters["idle_gap_ms"] = static_cast<double>(idle.wall) / 1e6;
  state.counters["held_bytes"] = static_cast<double>(heldBytes);
}

BENCHMARK(BM_BareReader)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Thumbnails)
    ->Arg(0)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_Thumbnails)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_StripFill)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  writeBatch();
  const int status =
      runBenchmarksWithRatios(argc, argv,
                              {{"BM_Thumbnails/0/iterations:5/process_time/real_time",
                                "BM_BareReader/iterations:5/process_time/real_time"},
                               {"BM_Thumbnails/1/process_time/real_time",
                                "BM_Thumbnails/0/iterations:5/process_time/real_time"}});
  std::printf("ratio longest GUI-thread gap while the strip fills / 50 ms = %.3f\n",
              static_cast<double>(filling.wall) / gapGoalNs);
  std::printf("ratio longest GUI-thread gap in an idle loop / 50 ms = %.3f\n",
              static_cast<double>(idle.wall) / gapGoalNs);
  std::printf("ratio GUI thread's own CPU time in its longest gap / 50 ms = %.3f\n",
              static_cast<double>(filling.cpu) / gapGoalNs);
  std::printf("ratio strip memory / (12 x 128 x 128 x 4 bytes) = %.3f\n",
              static_cast<double>(heldBytes) / heldGoal);
  return status;
}
