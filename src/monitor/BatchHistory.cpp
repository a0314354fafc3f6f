// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchHistory.h"

#include "fs/RecordFile.h"
#include "fs/SafeWrite.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace {

constexpr char header[] = "varndel-lotes 1\n";
constexpr std::size_t readAtMost = 64 << 20;

// Names and folders are bytes: a space, a comma, a line break, '%' or a control byte travel as
// "%XX", so that a line splits by them alone.
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
bool escapesValid(const char* begin, const char* end) {
  for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '%', end - p)));) {
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
bool number(const char* begin, const char* end, Number& value) {
  const auto [stop, error] = std::from_chars(begin, end, value);
  return begin != end && *begin != '-' && error == std::errc() && stop == end;
}

const char* find(const char* begin, const char* end, char c) {
  const void* found = std::memchr(begin, c, static_cast<std::size_t>(end - begin));
  return found ? static_cast<const char*>(found) : end;
}

}  // namespace

QByteArray historyHeader() {
  return header;
}

QByteArray historyLine(const HistoryRecord& record) {
  QByteArray line = QByteArray::number(record.seconds) + ' ' +
                    QByteArray::number(static_cast<qulonglong>(record.names.size())) + ' ' +
                    QByteArray::number(record.left) + ' ';
  escape(QFile::encodeName(record.folder), line);
  line += ' ';
  for (std::size_t i = 0; i < record.names.size(); ++i) {
    if (i != 0) {
      line += ',';
    }
    escape(record.names[i], line);
  }
  return line;
}

// "<seconds> <files> <left> <folder> <name>,<name>...": a batch holds at least one file.
bool BatchHistory::parseLine(qsizetype start, qsizetype end) {
  const char* const text = text_.constData();
  const char* fields[5];
  const char* ends[5];
  const char* p = text + start;
  const char* const stop = text + end;
  for (int i = 0; i < 5; ++i) {
    fields[i] = p;
    ends[i] = i < 4 ? find(p, stop, ' ') : stop;
    if (ends[i] == fields[i] || (i < 4 && ends[i] == stop)) {
      return false;
    }
    p = ends[i] + 1;
  }
  Span span{0, 0, 0, start, fields[3] - text, fields[4] - text, end};
  if (!number(fields[0], ends[0], span.seconds) || !number(fields[1], ends[1], span.files) ||
      !number(fields[2], ends[2], span.left) || span.files < 1 ||
      find(fields[4], stop, ' ') != stop || !escapesValid(fields[3], ends[3]) ||
      !escapesValid(fields[4], stop)) {
    return false;
  }
  int names = 1;
  for (const char* comma = fields[4]; (comma = find(comma, stop, ',')) != stop; ++comma) {
    if (++names > span.files) {
      return false;
    }
  }
  if (names != span.files) {
    return false;
  }
  spans_.push_back(span);
  return true;
}

BatchHistory BatchHistory::parse(QByteArray text) {
  BatchHistory history;
  history.text_ = std::move(text);
  const QByteArray& t = history.text_;
  const qsizetype headerSize = qsizetype(sizeof header) - 1;
  if (!t.startsWith(QByteArrayView(header, headerSize))) {
    return history;
  }
  const char* const begin = t.constData();
  const char* const end = begin + t.size();
  for (const char* line = begin + headerSize; line != end;) {
    const char* const lineEnd = find(line, end, '\n');
    if (lineEnd == end || !history.parseLine(line - begin, lineEnd - begin)) {
      return history;
    }
    line = lineEnd + 1;
  }
  history.whole_ = true;
  return history;
}

BatchHistory BatchHistory::read(const QString& path) {
  QByteArray text;
  readRecordFile(path, readAtMost, text);
  return parse(std::move(text));
}

QString BatchHistory::folder(qsizetype index) const {
  const Span& s = span(index);
  return QFile::decodeName(unescape(text_.constData() + s.folder, text_.constData() + s.names - 1));
}

HistoryRecord BatchHistory::record(qsizetype index) const {
  const Span& s = span(index);
  HistoryRecord record{s.seconds, folder(index), s.left, {}};
  const char* const stop = text_.constData() + s.end;
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

int appendHistory(const QString& path, const HistoryRecord& record) {
  const UniqueFd turn = lockRecordFolder(path);
  QByteArray text;
  const int error = readRecordFile(path, readAtMost, text);
  if (error != 0 && error != EFBIG) {
    return error;
  }
  const QByteArray line = historyLine(record) + '\n';
  const BatchHistory history = BatchHistory::parse(std::move(text));
  if (history.whole() && history.size() < BatchHistory::kept) {
    return appendRecordLine(path, line);
  }
  QByteArray kept = header;
  for (qsizetype i = std::min(history.size(), BatchHistory::kept - 1) - 1; i >= 0; --i) {
    kept += historyLine(history.record(i)) + '\n';
  }
  kept += line;
  // A new history is its owner's alone; one that is there keeps its permissions.
  if (history.size() == 0 && createFileContents(path, kept)) {
    return 0;
  }
  return replaceFileContents(path, kept) ? 0 : (errno != 0 ? errno : EIO);
}

qsizetype newestExistingBatch(const BatchHistory& history) {
  for (qsizetype index = 0; index < history.size(); ++index) {
    if (QFileInfo(history.folder(index)).isDir()) {
      return index;
    }
  }
  return -1;
}
