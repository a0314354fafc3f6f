// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// One saved batch as the history keeps it.
struct HistoryRecord {
  qint64 seconds = 0;             // the save's moment, in seconds since the epoch
  QString folder;                 // the batch folder
  int left = 0;                   // listed files the save left in the watched folder
  std::vector<QByteArray> names;  // the files it saved, as the batch folder spells them
};

// The history of saved batches: one line for each, appended whole, the last 1,000 kept. It is
// read as untrusted input, only as far as it is valid: a line cut short or any other damage
// ends it there. Records stay spans of the text until asked for, so that opening a long
// history costs little more than reading its file.
class BatchHistory {
public:
  static constexpr qsizetype kept = 1000;

  static BatchHistory read(const QString& path);
  static BatchHistory parse(QByteArray text);

  // Index 0 is the newest.
  qsizetype size() const { return static_cast<qsizetype>(spans_.size()); }
  bool empty() const { return spans_.empty(); }
  qint64 seconds(qsizetype index) const { return span(index).seconds; }
  int files(qsizetype index) const { return span(index).files; }
  QString folder(qsizetype index) const;
  HistoryRecord record(qsizetype index) const;
  // Whether the text was valid to its end, so that a line added at its end is read back.
  bool whole() const { return whole_; }

private:
  struct Span {
    qint64 seconds;
    int files;
    int left;
    qsizetype line, folder, names, end;  // offsets in the text
  };
  const Span& span(qsizetype index) const { return spans_[spans_.size() - 1 - index]; }
  bool parseLine(qsizetype start, qsizetype end);

  QByteArray text_;
  std::vector<Span> spans_;  // oldest first, as in the file
  bool whole_ = false;
};

// The newest batch whose folder is still there, the one an undo takes; -1 when none is.
qsizetype newestExistingBatch(const BatchHistory& history);

// Adds a record; past the last 1,000, or over a damaged or foreign file, the file is written
// anew with the valid records kept, in one atomic replacement. 0 or an error number.
int appendHistory(const QString& path, const HistoryRecord& record);

// A history line, without its break: for tests and benchmarks that build files.
QByteArray historyLine(const HistoryRecord& record);
QByteArray historyHeader();
