// SPDX-License-Identifier: GPL-3.0-or-later
// Refreshing the watched list of a folder of 10,000 matching files, against a bare
// opendir/readdir/fnmatch loop over the same folder.
#include "BenchSupport.h"
#include "monitor/WatchedList.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fnmatch.h>
#include <cstdio>

namespace {

const QTemporaryDir& folder() {
  static const QTemporaryDir dir = [] {
    QTemporaryDir made;
    for (int i = 0; i < 10000; ++i) {
      std::fclose(
          std::fopen(QByteArray(made.path().toUtf8() + "/captura_" + QByteArray::number(i) + ".png")
                         .constData(),
                     "w"));
    }
    for (int i = 0; i < 500; ++i) {
      std::fclose(std::fopen(
          QByteArray(made.path().toUtf8() + "/nota_" + QByteArray::number(i) + ".txt").constData(),
          "w"));
    }
    return made;
  }();
  return dir;
}

void BM_WatchedListRefresh(benchmark::State& state) {
  WatchedList list;
  list.setPattern(QStringLiteral("*.bmp;*.png;*.jpg;*.pcx"));
  list.setFolder(folder().path());
  for (auto _ : state) {
    list.refresh();
    benchmark::DoNotOptimize(list.count());
  }
  if (list.count() != 10000) {
    state.SkipWithError("wrong count");
  }
}

void BM_BareDirectoryLoop(benchmark::State& state) {
  const QByteArray path = folder().path().toUtf8();
  const char* patterns[] = {"*.bmp", "*.png", "*.jpg", "*.pcx"};
  for (auto _ : state) {
    int count = 0;
    DIR* dir = opendir(path.constData());
    while (const dirent* entry = readdir(dir)) {
      for (const char* pattern : patterns) {
        if (entry->d_type == DT_REG && fnmatch(pattern, entry->d_name, FNM_CASEFOLD) == 0) {
          ++count;
          break;
        }
      }
    }
    closedir(dir);
    benchmark::DoNotOptimize(count);
  }
}

BENCHMARK(BM_WatchedListRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDirectoryLoop)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return runBenchmarksWithRatios(argc, argv, {{"BM_WatchedListRefresh", "BM_BareDirectoryLoop"}});
}
