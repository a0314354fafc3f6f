// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>
#include <cstddef>
#include <vector>

// One saved batch as the history keeps it.
struct HistoryRecord {
  qint64 seconds = 0;             // the save's moment, in seconds since the epoch
  QString folder;                 // the batch folder
  int left = 0;                   // listed files the save left in the watched folder
  std::vector<QByteArray> names;  // the files it saved, as the batch folder spells them
  dev_t device = 0;               // the batch folder as it was made; 0 in older records
  ino_t inode = 0;
};

// One line of the history as it is written, without its break: a batch, or the undo of one.
struct HistoryLine {
  QByteArray text;
  bool batch = true;
};

HistoryLine batchLine(const HistoryRecord& record);
HistoryLine undoneLine(const HistoryRecord& batch, qint64 seconds);
QByteArray historyHeader();

// Where the history lives, and the folder of the lock its writers take turns by: a folder no
// other user may enter (fs/PrivateFolder).
struct HistoryPlace {
  QString file;
  QString lockFolder;
};

// The history's own folder when it has one (the user's state folder); a portable copy keeps its
// history beside its settings, in a folder others may share, and its lock in a private folder
// there.
HistoryPlace historyPlace(const QString& historyFile, const QString& settingsFile);

// The history of saved batches: a line for each batch, appended whole, and a line for each undo
// of one. It is untrusted input: a damaged line is passed over and every readable one kept. It
// is read from its end, as far as the newest 1,000 batches, so that reading holds what it keeps
// and never the whole of a file grown large. Records stay spans of that text until asked for.
class BatchHistory {
public:
  static constexpr qsizetype kept = 1000;
  static constexpr std::size_t chunk = 64 << 10;

  // A missing file reads as empty; a link, a file that is not a plain one or a file of another
  // user is refused (error()).
  static BatchHistory read(const QString& path);
  // From an open file, in reads of the given size (small in tests, so that lines cross them).
  static BatchHistory read(int fd, std::size_t readSize = chunk);

  // Index 0 is the newest.
  qsizetype size() const { return static_cast<qsizetype>(spans_.size()); }
  bool empty() const { return spans_.empty(); }
  qint64 seconds(qsizetype index) const { return spans_[index].seconds; }
  int files(qsizetype index) const { return spans_[index].files; }
  // When the batch was undone, in seconds since the epoch; -1 while it stands.
  qint64 undone(qsizetype index) const { return spans_[index].undone; }
  QString folder(qsizetype index) const;
  HistoryRecord record(qsizetype index) const;
  // Why the file could not be read (fs/RecordFile); 0 when it was, or is missing.
  int error() const { return error_; }

  // Adds a line without waiting for the lock: EWOULDBLOCK while another writer holds it. The file
  // is written anew, whole, through a rename and with its newest records, only when a batch would
  // pass the 1,000, when much of it is damage, or when it lacks its header. 0 or an error number.
  static int append(const HistoryPlace& place, const HistoryLine& line);

private:
  struct Span {
    qint64 seconds = 0;
    int files = 0;
    int left = 0;
    qsizetype line = 0, folder = 0, names = 0, namesEnd = 0, end = 0;  // offsets in the text
    dev_t device = 0;
    ino_t inode = 0;
    qint64 undone = -1;
  };
  struct Undo {
    qint64 seconds;
    QByteArray folder;  // as the line spells it
    dev_t device;
    ino_t inode;
  };
  bool take(QByteArrayView line, bool first);
  bool takeUndo(QByteArrayView line);
  bool parseBatch(QByteArrayView line, Span& span) const;
  bool needsRewrite(const HistoryLine& line) const;
  QByteArray newestLines(qsizetype count) const;

  QByteArray text_;          // the kept lines, newest first, each with its break
  std::vector<Span> spans_;  // newest first
  std::vector<Undo> undos_;  // read, and not yet matched with their batch
  bool headed_ = false;
  bool endsWithBreak_ = true;
  qint64 damaged_ = 0;  // bytes passed over
  int error_ = 0;
};

// The newest batch that stands and whose folder is still there, the one an undo takes; -1 when
// none is.
qsizetype newestExistingBatch(const BatchHistory& history);
