// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a batch of 200 files of 2 MB, against cp of the same files into a new folder followed
// by sync and rm of the originals, in the same run: once within one file system, where the save
// renames, and once across two (a tmpfs mounted for the run, when the benchmark may mount one),
// where it copies. Then one save of 100,000 files of 1 KB within one file system, and its undo,
// against the bare loop a save cannot do without: list the folder, look at each file and rename
// it into the batch without replacing anything (and back, for the undo).
#include "BenchSupport.h"
#include "monitor/BatchSave.h"
#include "monitor/BatchUndo.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int fileCount = 200;
constexpr int fileSize = 2 << 20;
constexpr int manyCount = 100000;
constexpr int smallSize = 1024;

void clear(const QString& folder) {
  QDir(folder).removeRecursively();
  sync();
}

// Where the batches go: a folder beside the watched one, or a tmpfs mounted over it.
class SaveFolder {
public:
  SaveFolder(const QTemporaryDir& root, bool acrossFileSystems)
      : path_(root.filePath(QStringLiteral("out"))) {
    QDir().mkpath(path_);
    if (acrossFileSystems) {
      mounted_ =
          mount("varndel-bench", QFile::encodeName(path_).constData(), "tmpfs", 0, "size=1g") == 0;
    }
  }
  ~SaveFolder() {
    if (mounted_) {
      umount(QFile::encodeName(path_).constData());
    }
  }
  bool usable(bool acrossFileSystems) const { return mounted_ || !acrossFileSystems; }
  const QString& path() const { return path_; }
  void empty() const {
    for (const QString& entry : QDir(path_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
      QDir(path_ + QLatin1Char('/') + entry).removeRecursively();
    }
    sync();
  }

private:
  QString path_;
  bool mounted_ = false;
};

void saveBatches(benchmark::State& state, int count, int size) {
  const bool across = state.range(0) != 0;
  QTemporaryDir root(QDir::currentPath() + QStringLiteral("/bench_save_XXXXXX"));
  const QString watched = root.filePath(QStringLiteral("in"));
  const SaveFolder saved(root, across);
  if (!saved.usable(across)) {
    state.SkipWithError(
        "a tmpfs could not be mounted (run as root to compare across file systems)");
    return;
  }
  QDateTime moment(QDate(2004, 3, 5), QTime(9, 7, 3));
  for (auto _ : state) {
    state.PauseTiming();
    saved.empty();
    const std::vector<QByteArray> names = fill(watched, count, size);
    moment = moment.addSecs(1);
    state.ResumeTiming();
    const SaveResult result =
        saveBatch({saved.path(), QStringLiteral("Fotos_"), watched, names, moment, {}, {}});
    if (!result.ok() || result.moved != count) {
      state.SkipWithError("save failed");
      break;
    }
  }
  saved.empty();
  clear(watched);
}

// The save, or its undo when undo is set, of count small files within one file system.
void moveManySmallFiles(benchmark::State& state, bool undo) {
  QTemporaryDir root(QDir::currentPath() + QStringLiteral("/bench_many_XXXXXX"));
  const QString watched = root.filePath(QStringLiteral("in"));
  const QString saved = root.filePath(QStringLiteral("out"));
  QDateTime moment(QDate(2004, 3, 5), QTime(9, 7, 3));
  for (auto _ : state) {
    state.PauseTiming();
    clear(saved);
    QDir().mkpath(saved);
    const std::vector<QByteArray> names = fill(watched, manyCount, smallSize);
    moment = moment.addSecs(1);
    const SaveRequest request{saved, QStringLiteral("Fotos_"), watched, names, moment, {}, {}};
    QString batch;
    if (undo) {
      batch = saveBatch(request).batchFolder;
      sync();
    }
    state.ResumeTiming();
    // As the program saves files its write watch saw closed after writing: no lease is asked.
    const MoveEnv seenClosed{nullptr, {true, {}, [](const QByteArray&, const timespec&) {
                                         return EventVerdict::Closed;
                                       }}};
    const MoveReport result = undo ? MoveReport(undoBatch({batch, watched, names, saved}))
                                   : saveBatch(request, seenClosed);
    if (!result.ok() || result.moved != manyCount) {
      state.SkipWithError("save or undo failed");
      break;
    }
  }
  clear(saved);
  clear(watched);
}

// Lists from, looks at each entry and renames it into to, never over another file.
bool bareRenames(const QString& from, const QString& to) {
  const int source = open(QFile::encodeName(from).constData(), O_RDONLY | O_DIRECTORY);
  const int target = open(QFile::encodeName(to).constData(), O_RDONLY | O_DIRECTORY);
  DIR* listing = fdopendir(dup(source));
  bool ok = source >= 0 && target >= 0 && listing;
  while (dirent* entry = ok ? readdir(listing) : nullptr) {
    struct stat info {};
    if (entry->d_name[0] != '.') {
      ok = fstatat(source, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           renameat2(source, entry->d_name, target, entry->d_name, RENAME_NOREPLACE) == 0;
    }
  }
  ok = ok && fsync(target) == 0 && fsync(source) == 0;
  closedir(listing);
  close(source);
  close(target);
  return ok;
}

// The bare loop into a new folder, or back out of it when back is set.
void bareRenameLoop(benchmark::State& state, bool back) {
  QTemporaryDir root(QDir::currentPath() + QStringLiteral("/bench_bare_XXXXXX"));
  const QString watched = root.filePath(QStringLiteral("in"));
  const QString batch = root.filePath(QStringLiteral("out/batch"));
  for (auto _ : state) {
    state.PauseTiming();
    clear(root.filePath(QStringLiteral("out")));
    QDir().mkpath(batch);
    fill(watched, manyCount, smallSize);
    if (back) {
      bareRenames(watched, batch);
      sync();
    }
    state.ResumeTiming();
    if (!(back ? bareRenames(batch, watched) : bareRenames(watched, batch))) {
      state.SkipWithError("rename failed");
      break;
    }
  }
  clear(root.path());
}

void BM_SaveBatch(benchmark::State& state) {
  saveBatches(state, fileCount, fileSize);
}

void BM_SaveManySmallFiles(benchmark::State& state) {
  moveManySmallFiles(state, false);
}

void BM_UndoManySmallFiles(benchmark::State& state) {
  moveManySmallFiles(state, true);
}

void BM_BareRenames(benchmark::State& state) {
  bareRenameLoop(state, false);
}

void BM_BareRenamesBack(benchmark::State& state) {
  bareRenameLoop(state, true);
}

void BM_CpSyncRm(benchmark::State& state) {
  const bool across = state.range(0) != 0;
  QTemporaryDir root(QDir::currentPath() + QStringLiteral("/bench_cp_XXXXXX"));
  const QString watched = root.filePath(QStringLiteral("in"));
  const SaveFolder saved(root, across);
  if (!saved.usable(across)) {
    state.SkipWithError("a tmpfs could not be mounted");
    return;
  }
  const QByteArray command = QByteArray("cp -- '") + QFile::encodeName(watched) + "'/* '" +
                             QFile::encodeName(saved.path()) + "/batch' && sync && rm -- '" +
                             QFile::encodeName(watched) + "'/*";
  for (auto _ : state) {
    state.PauseTiming();
    saved.empty();
    QDir().mkpath(saved.path() + QStringLiteral("/batch"));
    fill(watched, fileCount, fileSize);
    state.ResumeTiming();
    if (std::system(command.constData()) != 0) {
      state.SkipWithError("cp failed");
      break;
    }
  }
  saved.empty();
  clear(watched);
}

// Argument 0: one file system; 1: across two.
BENCHMARK(BM_SaveBatch)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_CpSyncRm)->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveManySmallFiles)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareRenames)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UndoManySmallFiles)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareRenamesBack)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return runBenchmarksWithRatios(
      argc, argv,
      {{"BM_SaveBatch/0/iterations:5/real_time", "BM_CpSyncRm/0/iterations:5/real_time"},
       {"BM_SaveBatch/1/iterations:5/real_time", "BM_CpSyncRm/1/iterations:5/real_time"},
       {"BM_SaveManySmallFiles/iterations:1/real_time", "BM_BareRenames/iterations:1/real_time"},
       {"BM_UndoManySmallFiles/iterations:1/real_time",
        "BM_BareRenamesBack/iterations:1/real_time"}});
}
