// SPDX-License-Identifier: GPL-3.0-or-later
// Undoing a batch of 200 files of 2 MB within one file system, against saving the same batch,
// in the same run. Then opening a history of 1,000 batches in the saved batches' window (reading,
// parsing and filling its list as far as the list shows), against reading the history (the file
// and the check of its records) and against the bare read of its bytes. Last, reading a history
// of 100,000 batches against one of 1,000: the read goes back from the end only as far as the
// 1,000 it keeps, so the two should cost about the same.
#include "BenchSupport.h"
#include "forms/Forms.h"
#include "fs/FilePrimitives.h"
#include "fs/UniqueFd.h"
#include "monitor/BatchHistory.h"
#include "monitor/BatchSave.h"
#include "monitor/BatchUndo.h"
#include "monitor/SavedBatches.h"
#include "windows/FrmLotes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>

namespace {

constexpr int fileCount = 200;
constexpr int fileSize = 2 << 20;
constexpr int records = 1000;
constexpr int namesPerRecord = 10;
constexpr int shownRows = 20;

// Argument 0: the save alone; 1: the save untimed, then its undo.
void BM_SaveOrUndo(benchmark::State& state) {
  const bool undo = state.range(0) != 0;
  QTemporaryDir root(QDir::currentPath() + QStringLiteral("/bench_undo_XXXXXX"));
  const QString watched = root.filePath(QStringLiteral("in"));
  const QString saved = root.filePath(QStringLiteral("out"));
  QDir().mkpath(saved);
  QDateTime moment(QDate(2004, 3, 5), QTime(9, 7, 3));
  for (auto _ : state) {
    state.PauseTiming();
    QDir(watched).removeRecursively();
    QDir(saved).removeRecursively();
    QDir().mkpath(saved);
    const std::vector<QByteArray> names = fill(watched, fileCount, fileSize);
    moment = moment.addSecs(1);
    const SaveRequest request{saved, QStringLiteral("Fotos_"), watched, names, moment, {}, {}};
    QString batchFolder;
    if (undo) {
      batchFolder = saveBatch(request).batchFolder;
      sync();
    }
    state.ResumeTiming();
    const MoveReport result =
        undo ? MoveReport(undoBatch({batchFolder, watched, names, saved})) : saveBatch(request);
    if (!result.ok() || result.moved != fileCount) {
      state.SkipWithError("save or undo failed");
      break;
    }
  }
}

// Argument 0: a history of 1,000 batches; 1: one of 100 times as many, as a file grown by
// another program, or damaged, may be before its next trim.
QString historyPath(int large = 0) {
  static QTemporaryDir folder;
  return folder.filePath(large ? QStringLiteral("Grande.txt") : QStringLiteral("Historial.txt"));
}

void writeHistory(int large) {
  QByteArray text = historyHeader();
  const int count = large ? records * 100 : records;
  for (int i = 0; i < count; ++i) {
    HistoryRecord record{1078473600 + i * 60,
                         QFileInfo(historyPath()).path() + QStringLiteral("/Lotes/Fotos_%1").arg(i),
                         0,
                         {}};
    for (int n = 0; n < namesPerRecord; ++n) {
      record.names.push_back("captura_" + QByteArray::number(i * namesPerRecord + n) + ".bmp");
    }
    text += batchLine(record).text + '\n';
  }
  // As after a session: the newest batch is still there, the older ones were tidied away.
  QDir().mkpath(QFileInfo(historyPath()).path() + QStringLiteral("/Lotes/Fotos_%1").arg(count - 1));
  QFile file(historyPath(large));
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
    std::abort();
  }
}

void BM_OpenHistory(benchmark::State& state) {
  AppContext context;
  context.now = [] { return QDateTime::currentDateTime(); };
  Forms forms(std::move(context));
  FrmLotes* window = forms.get<FrmLotes>();
  SavedBatches batches(historyPath());
  window->setModel(batches);
  const QAbstractItemModel* list = window->findChild<QTreeView*>()->model();
  for (auto _ : state) {
    batches.reload();
    for (int row = 0; row < shownRows && row < list->rowCount(); ++row) {
      for (int column = 0; column < 3; ++column) {
        benchmark::DoNotOptimize(list->index(row, column).data());
      }
    }
  }
  state.counters["rows"] = list->rowCount();
}

// What any use of the history starts with: the file read from its end and its newest 1,000
// records checked.
void BM_ReadHistory(benchmark::State& state) {
  qsizetype kept = 0;
  for (auto _ : state) {
    kept = BatchHistory::read(historyPath(static_cast<int>(state.range(0)))).size();
  }
  state.counters["records"] = static_cast<double>(kept);
  state.counters["bytes"] = static_cast<double>(QFileInfo(historyPath(state.range(0))).size());
}

void BM_ReadHistoryFile(benchmark::State& state) {
  QByteArray text;
  for (auto _ : state) {
    const UniqueFd fd(::open(QFile::encodeName(historyPath()).constData(), O_RDONLY | O_CLOEXEC));
    readAll(fd.get(), std::size_t(64) << 20, text);
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}

BENCHMARK(BM_SaveOrUndo)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_OpenHistory)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ReadHistory)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ReadHistoryFile)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  writeHistory(0);
  writeHistory(1);
  return runBenchmarksWithRatios(
      argc, argv,
      {{"BM_SaveOrUndo/1/iterations:5/real_time", "BM_SaveOrUndo/0/iterations:5/real_time"},
       {"BM_OpenHistory/real_time", "BM_ReadHistory/0/real_time"},
       {"BM_OpenHistory/real_time", "BM_ReadHistoryFile/real_time"},
       {"BM_ReadHistory/1/real_time", "BM_ReadHistory/0/real_time"}});
}
