// SPDX-License-Identifier: GPL-3.0-or-later
// One watch tick of the monitoring session on a folder of 10,000 files that do not match the
// pattern, against a bare opendir/readdir/fnmatch loop over the same folder; the same tick with
// a write watch armed on the folder, against the tick alone; and, on 10,000 matching files, the
// watched tick when nothing changed since the last one, against the same tick after a change.
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

// 10,000 files that match, and a minimum no tick reaches.
const QTemporaryDir& matching() {
  static const QTemporaryDir dir = [] {
    QTemporaryDir made;
    const QByteArray watched = QFile::encodeName(made.filePath(QStringLiteral("in")));
    QDir().mkpath(made.filePath(QStringLiteral("in")));
    for (int i = 0; i < 10000; ++i) {
      std::fclose(
          std::fopen((watched + "/captura_" + QByteArray::number(i) + ".bmp").constData(), "w"));
    }
    QFile config(made.filePath(QStringLiteral("Config.ini")));
    if (!config.open(QIODevice::WriteOnly)) {
      std::abort();
    }
    config.write("[CONFIGURACION]\nDir1=" + watched + "\nDir2=" + watched +
                 "\nPref=Fotos_\nImagenes=32767\nExt=*.bmp\n");
    return made;
  }();
  return dir;
}

// Ticks a started session on 10,000 matching files; with a change, one name comes and goes
// between ticks.
void tickMatching(benchmark::State& state, bool change) {
  MonitorSession session({matching().filePath(QStringLiteral("Config.ini")),
                          [] { return QDateTime(QDate(2004, 3, 5), QTime(9, 7, 3)); },
                          nullptr,
                          true,
                          {}});
  session.load();
  session.start();
  session.watchTick();
  const QByteArray moved =
      QFile::encodeName(matching().filePath(QStringLiteral("in/captura_0.bmp")));
  const QByteArray away = QFile::encodeName(matching().filePath(QStringLiteral("captura_0.bmp")));
  bool out = false;
  for (auto _ : state) {
    if (change) {
      state.PauseTiming();
      std::rename(out ? away.constData() : moved.constData(),
                  out ? moved.constData() : away.constData());
      out = !out;
      state.ResumeTiming();
    }
    session.watchTick();
  }
  if (out) {
    std::rename(away.constData(), moved.constData());
  }
  if (session.count() < 9999 || session.isSaving()) {
    state.SkipWithError("the files were not listed, or a save began");
  }
}

void BM_IdleTick(benchmark::State& state) {
  tickMatching(state, false);
}

void BM_TickAfterAChange(benchmark::State& state) {
  tickMatching(state, true);
}

// Ticks a started session, with or without its watch of the folder's file events.
void tickSession(benchmark::State& state, bool fileEvents) {
  MonitorSession session({root().filePath(QStringLiteral("Config.ini")),
                          [] { return QDateTime(QDate(2004, 3, 5), QTime(9, 7, 3)); },
                          nullptr,
                          fileEvents,
                          {}});
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
BENCHMARK(BM_IdleTick)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_TickAfterAChange)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return runBenchmarksWithRatios(
      argc, argv,
      {{"BM_WatchTick/min_time:0.500", "BM_BareDirectoryLoop/min_time:0.500"},
       {"BM_WatchTickWithWriteWatch/min_time:0.500", "BM_WatchTick/min_time:0.500"},
       {"BM_IdleTick/min_time:0.500", "BM_TickAfterAChange/min_time:0.500"}});
}
