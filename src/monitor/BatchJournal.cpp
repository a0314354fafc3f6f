// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchJournal.h"

#include "fs/Claim.h"

#include <QList>

#include <cctype>
#include <type_traits>

namespace {

constexpr char header[] = "varndel-journal 1";
constexpr char footer[] = "end";
constexpr char none[] = "-";

// Names are bytes that may hold spaces or line breaks, so they travel as hexadecimal.
QByteArray hexOrNone(const QByteArray& name) {
  return name.isEmpty() ? QByteArray(none) : name.toHex();
}

bool unhex(const QByteArray& field, QByteArray& name) {
  if (field == none) {
    name.clear();
    return true;
  }
  if (field.isEmpty() || field.size() % 2 != 0) {
    return false;
  }
  for (const char c : field) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      return false;
    }
  }
  name = QByteArray::fromHex(field);
  return true;
}

template <typename Number>
bool number(const QByteArray& field, Number& value) {
  bool ok = false;
  if constexpr (std::is_signed_v<Number>) {
    const qlonglong parsed = field.toLongLong(&ok);
    value = static_cast<Number>(parsed);
    return ok && static_cast<qlonglong>(value) == parsed;
  } else {
    const qulonglong parsed = field.toULongLong(&ok);
    value = static_cast<Number>(parsed);
    return ok && static_cast<qulonglong>(value) == parsed;
  }
}

bool parseEntry(const QList<QByteArray>& fields, BatchJournal::Mode mode, JournalEntry& entry) {
  if (fields.size() != 9 || fields[0] != "file") {
    return false;
  }
  time_t seconds = 0;
  long nanoseconds = 0;
  if (!unhex(fields[1], entry.name) || !unhex(fields[2], entry.claim) ||
      !unhex(fields[3], entry.temporary) || !number(fields[4], entry.identity.device) ||
      !number(fields[5], entry.identity.inode) || !number(fields[6], entry.identity.size) ||
      !number(fields[7], seconds) || !number(fields[8], nanoseconds) || nanoseconds < 0 ||
      nanoseconds >= 1'000'000'000) {
    return false;
  }
  entry.identity.modified = {seconds, nanoseconds};
  if (!isSingleComponent(entry.name)) {
    return false;
  }
  if (mode == BatchJournal::Mode::Move) {
    return entry.claim.isEmpty() && entry.temporary.isEmpty();
  }
  return isPrivateName(entry.claim) && isPrivateName(entry.temporary);
}

}  // namespace

QByteArray formatJournal(const BatchJournal& journal) {
  QByteArray text = header;
  text += '\n';
  text += journal.mode == BatchJournal::Mode::Move ? "mode move\n" : "mode copy\n";
  text += "watched " + QByteArray::number(static_cast<qulonglong>(journal.watchedDevice)) + ' ' +
          QByteArray::number(static_cast<qulonglong>(journal.watchedInode)) + '\n';
  for (const JournalEntry& entry : journal.entries) {
    const FileIdentity& id = entry.identity;
    text += "file " + hexOrNone(entry.name) + ' ' + hexOrNone(entry.claim) + ' ' +
            hexOrNone(entry.temporary) + ' ' +
            QByteArray::number(static_cast<qulonglong>(id.device)) + ' ' +
            QByteArray::number(static_cast<qulonglong>(id.inode)) + ' ' +
            QByteArray::number(static_cast<qlonglong>(id.size)) + ' ' +
            QByteArray::number(static_cast<qlonglong>(id.modified.tv_sec)) + ' ' +
            QByteArray::number(static_cast<qlonglong>(id.modified.tv_nsec)) + '\n';
  }
  text += footer;
  text += '\n';
  return text;
}

QByteArray saveTag(ino_t batchInode) {
  return privatePrefix + QByteArray::number(static_cast<qulonglong>(batchInode));
}

QByteArray indexName(const QByteArray& tag) {
  return tag + "-index";
}

QByteArray indexDraftName(const QByteArray& tag) {
  return tag + "-index.new";
}

QByteArray tagOf(const QByteArray& name) {
  if (!isPrivateName(name)) {
    return {};
  }
  const qsizetype start = qsizetype(sizeof privatePrefix) - 1;
  qsizetype end = start;
  while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) {
    ++end;
  }
  return end > start && end < name.size() && name[end] == '-' ? name.left(end) : QByteArray();
}

std::optional<BatchJournal> parseJournal(const QByteArray& text) {
  if (!text.endsWith('\n')) {
    return std::nullopt;
  }
  const QList<QByteArray> lines = text.chopped(1).split('\n');
  if (lines.size() < 4 || lines.front() != header || lines.back() != footer) {
    return std::nullopt;
  }
  BatchJournal journal;
  if (lines[1] == "mode move") {
    journal.mode = BatchJournal::Mode::Move;
  } else if (lines[1] == "mode copy") {
    journal.mode = BatchJournal::Mode::Copy;
  } else {
    return std::nullopt;
  }
  const QList<QByteArray> watched = lines[2].split(' ');
  if (watched.size() != 3 || watched[0] != "watched" ||
      !number(watched[1], journal.watchedDevice) || !number(watched[2], journal.watchedInode)) {
    return std::nullopt;
  }
  for (qsizetype i = 3; i + 1 < lines.size(); ++i) {
    JournalEntry entry;
    if (!parseEntry(lines[i].split(' '), journal.mode, entry)) {
      return std::nullopt;
    }
    journal.entries.push_back(std::move(entry));
  }
  return journal;
}
