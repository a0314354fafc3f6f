// SPDX-License-Identifier: GPL-3.0-or-later
// One watch tick of the monitoring session on a folder of 10,000 files that do not match the
// pattern, against a bare opendir/readdir/fnmatch loop over the same folder; and the same tick with
// a write watch armed on the folder, against the tick alone.
#include "BenchSupport.h"
#include "monitor/MonitorSession.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fnmatch.h>
#include <cstdio>

namespace {

const QTemporaryDir& root() {
  static const QTemporaryDir dir = [] {
    QTemporaryDir made;
    const QByteArray watched = QFile::encodeName(made.filePath(QStringLiteral("in")));
    QDir().mkpath(made.filePath(QStringLiteral("in")));
    QDir().mkpath(made.filePath(QStringLiteral("out")));
    for (int i = 0; i < 10000; ++i) {
      std::fclose(
          std::fopen((watched + "/nota_" + QByteArray::number(i) + ".txt").constData(), "w"));
    }
    QFile config(made.filePath(QStringLiteral("Config.ini")));
    if (!config.open(QIODevice::WriteOnly)) {
      std::abort();
    }
    config.write("[CONFIGURACION]\nDir1=" + watched +
                 "\nDir2=" + QFile::encodeName(made.filePath(QStringLiteral("out"))) +
                 "\nPref=Fotos_\nImagenes=1\nExt=*.bmp;*.pcx\n");
    return made;
  }();
  return dir;
}

// Ticks a started session, with or without its watch of the folder's file events.
void tickSession(benchmark::State& state, bool fileEvents) {
  MonitorSession session({root().filePath(QStringLiteral("Config.ini")),
                          [] { return QDateTime(QDate(2004, 3, 5), QTime(9, 7, 3)); }, nullptr,
                          fileEvents});
  session.load();
  session.start();
  for (auto _ : state) {
    session.watchTick();
  }
  if (session.count() != 0 || session.isSaving()) {
    state.SkipWithError("files matched");
  }
}

void BM_WatchTick(benchmark::State& state) {
  tickSession(state, false);
}

// The same tick while the session also watches the folder's file events.
void BM_WatchTickWithWriteWatch(benchmark::State& state) {
  tickSession(state, true);
}

void BM_BareDirectoryLoop(benchmark::State& state) {
  const QByteArray path = QFile::encodeName(root().filePath(QStringLiteral("in")));
  const char* patterns[] = {"*.bmp", "*.pcx"};
  for (auto _ : state) {
    int count = 0;
    DIR* dir = opendir(path.constData());
    while (const dirent* entry = readdir(dir)) {
      for (const char* pattern : patterns) {
        if (fnmatch(pattern, entry->d_name, FNM_CASEFOLD) == 0) {
          ++count;
          break;
        }
      }
    }
    closedir(dir);
    benchmark::DoNotOptimize(count);
  }
}

BENCHMARK(BM_WatchTick)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_WatchTickWithWriteWatch)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_BareDirectoryLoop)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return runBenchmarksWithRatios(
      argc, argv,
      {{"BM_WatchTick/min_time:0.500", "BM_BareDirectoryLoop/min_time:0.500"},
       {"BM_WatchTickWithWriteWatch/min_time:0.500", "BM_WatchTick/min_time:0.500"}});
}
