// SPDX-License-Identifier: GPL-3.0-or-later
// Reading one key of a 50 MB Config.ini of blank lines, with the section at its end, against
// reading the same file into memory. Also prints the peak memory of one read.
#include "BenchSupport.h"
#include "settings/GrabaLeeIni.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <cstdio>
#include <cstdlib>

namespace {

// Written in pieces, so that building it does not raise the process's peak memory.
const QString& configFile() {
  static const QTemporaryDir dir;
  static const QString path = [] {
    const QString made = dir.filePath(QStringLiteral("Config.ini"));
    QFile file(made);
    if (!file.open(QIODevice::WriteOnly)) {
      std::abort();
    }
    const QByteArray blankLines = QByteArray(512 * 1024, '\n').replace("\n", "\r\n");
    for (int mebibyte = 0; mebibyte < 50; ++mebibyte) {
      file.write(blankLines);
    }
    file.write("[CONFIGURACION]\r\nDir1=C:\\Capturas\r\n");
    return made;
  }();
  return path;
}

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_LeeIni(benchmark::State& state) {
  const QString& file = configFile();
  for (auto _ : state) {
    const QString value = LeeIni(file, QStringLiteral("CONFIGURACION"), QStringLiteral("Dir1"));
    benchmark::DoNotOptimize(value.size());
    if (value != QStringLiteral("C:\\Capturas")) {
      state.SkipWithError("wrong value");
    }
  }
}

void BM_ReadIntoMemory(benchmark::State& state) {
  const QString& file = configFile();
  for (auto _ : state) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
      state.SkipWithError("cannot open");
    }
    const QByteArray content = input.readAll();
    benchmark::DoNotOptimize(content.size());
  }
}

BENCHMARK(BM_LeeIni)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadIntoMemory)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const qint64 size = QFile(configFile()).size();
  const long before = peakKilobytes();
  LeeIni(configFile(), QStringLiteral("CONFIGURACION"), QStringLiteral("Dir1"));
  const long read = peakKilobytes() - before;
  const int result = runBenchmarksWithRatios(argc, argv, {{"BM_LeeIni", "BM_ReadIntoMemory"}});
  std::printf("peak memory of one read: %.1f MB for a file of %.1f MB (%.2f times its size)\n",
              read / 1024.0, size / 1048576.0, read * 1024.0 / size);
  return result;
}
