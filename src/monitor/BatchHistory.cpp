// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchHistory.h"

#include "fs/RecordFile.h"
#include "fs/SafeWrite.h"
#include "fs/UniqueFd.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace {

constexpr QByteArrayView header = "varndel-lotes 1";
constexpr QByteArrayView undoneWord = "undone";
// A batch of 32,767 files with long names fits; a longer line is damage, passed over unread.
constexpr std::size_t longestLine = 16 << 20;
constexpr qsizetype expectedSize = 1 << 20;
// Damage worth a rewrite of the file, so that later reads need not pass over it again.
constexpr qint64 damageWorthDropping = 64 << 10;

// Names and folders are bytes: a space, a comma, a line break, '%' or a control byte travel as
// "%XX", so that a line splits by spaces and commas alone.
bool needsEscape(unsigned char c) {
  return c <= ' ' || c == 0x7f || c == '%' || c == ',';
}

void escape(const QByteArray& bytes, QByteArray& out) {
  static constexpr char hex[] = "0123456789ABCDEF";
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (needsEscape(u)) {
      out += '%';
      out += hex[u >> 4];
      out += hex[u & 15];
    } else {
      out += c;
    }
  }
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// Every '%' leads two upper-case hexadecimal digits.
bool escapesValid(QByteArrayView field) {
  const char* const end = field.end();
  for (const char* p = field.begin();
       (p = static_cast<const char*>(std::memchr(p, '%', end - p)));) {
    if (end - p < 3 || hexValue(p[1]) < 0 || hexValue(p[2]) < 0) {
      return false;
    }
    p += 3;
  }
  return true;
}

QByteArray unescape(const char* begin, const char* end) {
  QByteArray out;
  out.reserve(end - begin);
  for (const char* p = begin; p < end; ++p) {
    if (*p == '%') {
      out += static_cast<char>(hexValue(p[1]) << 4 | hexValue(p[2]));
      p += 2;
    } else {
      out += *p;
    }
  }
  return out;
}

template <typename Number>
bool number(QByteArrayView field, Number& value) {
  const auto [stop, error] = std::from_chars(field.begin(), field.end(), value);
  return !field.empty() && field.front() != '-' && error == std::errc() && stop == field.end();
}

// "<device>:<inode>" of a batch folder.
bool identity(QByteArrayView field, dev_t& device, ino_t& inode) {
  const qsizetype colon = field.indexOf(':');
  return colon > 0 && number(field.first(colon), device) && number(field.sliced(colon + 1), inode);
}

const char* find(const char* begin, const char* end, char c) {
  if (begin == end) {
    return end;  // an empty view may have no data at all
  }
  const void* found = std::memchr(begin, c, static_cast<std::size_t>(end - begin));
  return found ? static_cast<const char*>(found) : end;
}

// Splits a line at its spaces into at most max fields, none empty: their count, or 0.
int split(QByteArrayView line, QByteArrayView* fields, int max) {
  const char* const end = line.end();
  for (int count = 0; count < max;) {
    const char* const p = count == 0 ? line.begin() : fields[count - 1].end() + 1;
    const char* const stop = find(p, end, ' ');
    if (stop == p) {
      return 0;
    }
    fields[count++] = QByteArrayView(p, stop);
    if (stop == end) {
      return count;
    }
  }
  return 0;
}

QByteArray undoneText(qint64 seconds, QByteArrayView folder, dev_t device, ino_t inode) {
  return undoneWord.toByteArray() + ' ' + QByteArray::number(seconds) + ' ' + folder.toByteArray() +
         ' ' + QByteArray::number(static_cast<qulonglong>(device)) + ':' +
         QByteArray::number(static_cast<qulonglong>(inode));
}

QByteArray escapedFolder(const QString& folder) {
  QByteArray out;
  escape(QFile::encodeName(folder), out);
  return out;
}

}  // namespace

QByteArray historyHeader() {
  return header.toByteArray() + '\n';
}

// "<seconds> <files> <left> <folder> <name>,<name>... <device>:<inode>"
HistoryLine batchLine(const HistoryRecord& record) {
  QByteArray line = QByteArray::number(record.seconds) + ' ' +
                    QByteArray::number(static_cast<qulonglong>(record.names.size())) + ' ' +
                    QByteArray::number(record.left) + ' ' + escapedFolder(record.folder) + ' ';
  for (std::size_t i = 0; i < record.names.size(); ++i) {
    if (i != 0) {
      line += ',';
    }
    escape(record.names[i], line);
  }
  line += ' ' + QByteArray::number(static_cast<qulonglong>(record.device)) + ':' +
          QByteArray::number(static_cast<qulonglong>(record.inode));
  return {line, true};
}

// "undone <seconds> <folder> <device>:<inode>": it names the newest batch line before it with
// that folder and identity.
HistoryLine undoneLine(const HistoryRecord& batch, qint64 seconds) {
  return {undoneText(seconds, escapedFolder(batch.folder), batch.device, batch.inode), false};
}

HistoryPlace historyPlace(const QString& historyFile, const QString& settingsFile) {
  const QString folder = QFileInfo(historyFile).absolutePath();
  const bool shared = !historyFile.isEmpty() && folder == QFileInfo(settingsFile).absolutePath();
  return {historyFile, shared ? folder + QStringLiteral("/.varndel") : folder};
}

// A batch holds at least one file; records written before folders were identified end at the
// names.
bool BatchHistory::parseBatch(QByteArrayView line, Span& span) const {
  QByteArrayView f[6];
  const int count = split(line, f, 6);
  if (count < 5 || !number(f[0], span.seconds) || !number(f[1], span.files) ||
      !number(f[2], span.left) || span.files < 1 || !escapesValid(f[3]) || !escapesValid(f[4]) ||
      (count == 6 && !identity(f[5], span.device, span.inode))) {
    return false;
  }
  span.folder = f[3].begin() - line.begin();
  span.names = f[4].begin() - line.begin();
  span.namesEnd = f[4].end() - line.begin();
  span.end = line.size();
  int names = 1;
  for (const char* comma = f[4].begin(); (comma = find(comma, f[4].end(), ',')) != f[4].end();
       ++comma) {
    if (++names > span.files) {
      return false;
    }
  }
  return names == span.files;
}

bool BatchHistory::takeUndo(QByteArrayView line) {
  QByteArrayView f[4];
  Undo undo{};
  if (split(line, f, 4) != 4 || f[0] != undoneWord || !number(f[1], undo.seconds) ||
      !escapesValid(f[2]) || !identity(f[3], undo.device, undo.inode)) {
    return false;
  }
  // Only an undo of a batch that is kept counts, and no more of them are held than batches.
  if (undos_.size() < static_cast<std::size_t>(kept)) {
    undo.folder = f[2].toByteArray();
    undos_.push_back(std::move(undo));
  }
  return true;
}

bool BatchHistory::take(QByteArrayView line, bool first) {
  if (first && line == header) {
    headed_ = true;
    return true;
  }
  if (line.startsWith(undoneWord)) {
    damaged_ += takeUndo(line) ? 0 : line.size() + 1;
    return true;
  }
  Span span;
  if (!parseBatch(line, span)) {
    damaged_ += line.size() + 1;
    return true;
  }
  const QByteArrayView folder = line.sliced(span.folder, span.names - 1 - span.folder);
  const auto undo = std::find_if(undos_.begin(), undos_.end(), [&](const Undo& u) {
    return u.folder == folder && u.device == span.device && u.inode == span.inode;
  });
  if (undo != undos_.end()) {
    span.undone = undo->seconds;
    undos_.erase(undo);
  }
  span.line = text_.size();
  span.folder += span.line;
  span.names += span.line;
  span.namesEnd += span.line;
  span.end += span.line;
  // Grown by doubling: appending a view grows the array only as far as it needs.
  if (text_.capacity() - text_.size() <= line.size()) {
    text_.reserve(std::max(2 * text_.capacity(), text_.size() + line.size() + 1));
  }
  text_.append(line);
  text_ += '\n';
  spans_.push_back(span);
  return size() < kept;
}

BatchHistory BatchHistory::read(int fd, std::size_t readSize) {
  BatchHistory history;
  // Room for what a history of 1,000 common batches holds, grown only for longer ones.
  struct stat info {};
  if (fstat(fd, &info) == 0) {
    history.text_.reserve(std::min<qsizetype>(info.st_size, expectedSize));
    history.spans_.reserve(std::min<std::size_t>(kept, info.st_size / 32));
  }
  LinesFromEnd met;
  history.error_ = readLinesFromEnd(
      fd, readSize, longestLine,
      [&history](QByteArrayView line, bool first) { return history.take(line, first); }, met);
  history.endsWithBreak_ = met.endsWithBreak;
  history.damaged_ += met.passedOver;
  history.undos_ = {};
  return history;
}

BatchHistory BatchHistory::read(const QString& path) {
  UniqueFd fd;
  const int error = openRecordFile(path, O_RDONLY, fd);
  if (error != 0) {
    BatchHistory history;
    history.error_ = error == ENOENT ? 0 : error;
    return history;
  }
  return read(fd.get());
}

QString BatchHistory::folder(qsizetype index) const {
  const Span& s = spans_[index];
  return QFile::decodeName(unescape(text_.constData() + s.folder, text_.constData() + s.names - 1));
}

HistoryRecord BatchHistory::record(qsizetype index) const {
  const Span& s = spans_[index];
  HistoryRecord record{s.seconds, folder(index), s.left, {}, s.device, s.inode};
  const char* const stop = text_.constData() + s.namesEnd;
  for (const char* name = text_.constData() + s.names;;) {
    const char* const comma = find(name, stop, ',');
    record.names.push_back(unescape(name, comma));
    if (comma == stop) {
      break;
    }
    name = comma + 1;
  }
  return record;
}

// A read that stopped at the 1,000th batch has not seen the header: the file is full, and only a
// batch needs it trimmed.
bool BatchHistory::needsRewrite(const HistoryLine& line) const {
  const bool full = size() == kept;
  return (full && line.batch) || (!full && !headed_) || damaged_ > damageWorthDropping;
}

// The newest count batches, oldest first, each followed by its undo.
QByteArray BatchHistory::newestLines(qsizetype count) const {
  QByteArray lines;
  for (qsizetype i = std::min(count, size()) - 1; i >= 0; --i) {
    const Span& s = spans_[i];
    lines.append(text_.constData() + s.line, s.end - s.line + 1);
    if (s.undone >= 0) {
      const QByteArrayView folder(text_.constData() + s.folder, s.names - 1 - s.folder);
      lines += undoneText(s.undone, folder, s.device, s.inode) + '\n';
    }
  }
  return lines;
}

int BatchHistory::append(const HistoryPlace& place, const HistoryLine& line) {
  UniqueFd lock;
  const QByteArray lockName = QFile::encodeName(QFileInfo(place.file).completeBaseName()) + ".lock";
  if (const int error = lockRecordFile(place.lockFolder, lockName.constData(), lock)) {
    return error;
  }
  UniqueFd fd;
  if (const int error = openRecordFile(place.file, O_RDWR | O_APPEND, fd); error != 0) {
    if (error != ENOENT) {
      return error;
    }
    return createFileContents(place.file, historyHeader() + line.text + '\n') ? 0 : errno;
  }
  const BatchHistory history = read(fd.get());
  if (history.error_ != 0) {
    return history.error_;
  }
  if (!history.needsRewrite(line)) {
    // A last line cut short stays a damaged line of its own.
    return appendRecordLine(fd.get(),
                            (history.endsWithBreak_ ? QByteArray() : "\n") + line.text + '\n');
  }
  const QByteArray text =
      historyHeader() + history.newestLines(line.batch ? kept - 1 : kept) + line.text + '\n';
  return replaceOwnFile(place.file, text) ? 0 : (errno != 0 ? errno : EIO);
}

qsizetype newestExistingBatch(const BatchHistory& history) {
  for (qsizetype index = 0; index < history.size(); ++index) {
    if (history.undone(index) < 0 && QFileInfo(history.folder(index)).isDir()) {
      return index;
    }
  }
  return -1;
}
