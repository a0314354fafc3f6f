// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>

namespace {

// Keeps each run's time per iteration while the console shows the usual table.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        times[run.benchmark_name()] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  std::map<std::string, double> times;
};

}  // namespace

int runBenchmarksWithRatios(int argc, char** argv,
                            const std::vector<std::pair<std::string, std::string>>& pairs) {
  benchmark::Initialize(&argc, argv);
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  for (const auto& [measured, baseline] : pairs) {
    const auto m = reporter.times.find(measured);
    const auto b = reporter.times.find(baseline);
    if (m != reporter.times.end() && b != reporter.times.end() && b->second > 0) {
      std::printf("ratio %s / %s = %.3f\n", measured.c_str(), baseline.c_str(),
                  m->second / b->second);
    }
  }
  return 0;
}

std::vector<QByteArray> fill(const QString& folder, int count, int size) {
  QDir().mkpath(folder);
  const QByteArray bytes(size, 'x');
  const QByteArray path = QFile::encodeName(folder) + '/';
  std::vector<QByteArray> names;
  names.reserve(count);
  for (int i = 0; i < count; ++i) {
    QByteArray name = "captura_" + QByteArray::number(i) + ".bmp";
    const int fd = open((path + name).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, bytes.constData(), bytes.size()) != size) {
      std::abort();
    }
    close(fd);
    names.push_back(std::move(name));
  }
  sync();
  return names;
}
