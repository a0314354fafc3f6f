// Saving a batch of 200 files of 2 MB, against cp of the same files into a new folder followed
// by sync and rm of the originals, on the same file system in the same run.
#include "BenchSupport.h"
#include "monitor/BatchSave.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdlib>

namespace {

constexpr int fileCount = 200;
constexpr int fileSize = 2 << 20;

// A watched folder freshly filled, with nothing left dirty from the filling, so that neither
// side pays for writing the sources back.
QStringList fill(const QString& folder) {
  QDir().mkpath(folder);
  const QByteArray bytes(fileSize, 'x');
  QStringList names;
  for (int i = 0; i < fileCount; ++i) {
    const QString name = QStringLiteral("captura_%1.bmp").arg(i);
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != fileSize) {
      std::abort();
    }
    names << name;
  }
  sync();
  return names;
}

void clear(const QString& folder) {
  QDir(folder).removeRecursively();
  sync();
}

void BM_SaveBatch(benchmark::State& state) {
  QTemporaryDir root(QDir::currentPath() + QStringLiteral("/bench_save_XXXXXX"));
  const QString watched = root.filePath(QStringLiteral("in"));
  const QString saved = root.filePath(QStringLiteral("out"));
  QDateTime moment(QDate(2004, 3, 5), QTime(9, 7, 3));
  for (auto _ : state) {
    state.PauseTiming();
    clear(saved);
    QDir().mkpath(saved);
    const QStringList names = fill(watched);
    moment = moment.addSecs(1);
    state.ResumeTiming();
    const SaveResult result = saveBatch({saved, QStringLiteral("Fotos_"), watched, names, moment});
    if (!result.ok() || result.moved != fileCount) {
      state.SkipWithError("save failed");
      break;
    }
  }
  clear(root.path());
}

void BM_CpSyncRm(benchmark::State& state) {
  QTemporaryDir root(QDir::currentPath() + QStringLiteral("/bench_cp_XXXXXX"));
  const QString watched = root.filePath(QStringLiteral("in"));
  const QString saved = root.filePath(QStringLiteral("out"));
  const QByteArray command = QByteArray("cp -- '") + QFile::encodeName(watched) + "'/* '" +
                             QFile::encodeName(saved) + "/batch' && sync && rm -- '" +
                             QFile::encodeName(watched) + "'/*";
  for (auto _ : state) {
    state.PauseTiming();
    clear(saved);
    QDir().mkpath(saved + QStringLiteral("/batch"));
    fill(watched);
    state.ResumeTiming();
    if (std::system(command.constData()) != 0) {
      state.SkipWithError("cp failed");
      break;
    }
  }
  clear(root.path());
}

BENCHMARK(BM_SaveBatch)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpSyncRm)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return runBenchmarksWithRatios(
      argc, argv, {{"BM_SaveBatch/iterations:5/real_time", "BM_CpSyncRm/iterations:5/real_time"}});
}
