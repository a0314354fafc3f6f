// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchJournal.h"

#include "fs/Claim.h"

#include <QList>

#include <unistd.h>
#include <algorithm>
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

bool returns(BatchJournal::Mode mode) {
  return mode == BatchJournal::Mode::ReturnMove || mode == BatchJournal::Mode::ReturnCopy;
}

const char* modeLine(BatchJournal::Mode mode) {
  switch (mode) {
    case BatchJournal::Mode::Move:
      return "mode move";
    case BatchJournal::Mode::Copy:
      return "mode copy";
    case BatchJournal::Mode::ReturnMove:
      return "mode return-move";
    case BatchJournal::Mode::ReturnCopy:
      return "mode return-copy";
  }
  return "";
}

// A return's entries carry one more name, where the copy goes in the watched folder.
bool parseEntry(const QList<QByteArray>& fields, BatchJournal::Mode mode, JournalEntry& entry) {
  const qsizetype names = returns(mode) ? 5 : 4;
  if (fields.size() != names + 5 || fields[0] != "file") {
    return false;
  }
  time_t seconds = 0;
  long nanoseconds = 0;
  if (!unhex(fields[1], entry.name) || !unhex(fields[2], entry.claim) ||
      !unhex(fields[3], entry.temporary) || (names == 5 && !unhex(fields[4], entry.target)) ||
      !number(fields[names], entry.identity.device) ||
      !number(fields[names + 1], entry.identity.inode) ||
      !number(fields[names + 2], entry.identity.size) || !number(fields[names + 3], seconds) ||
      !number(fields[names + 4], nanoseconds) || nanoseconds < 0 || nanoseconds >= 1'000'000'000) {
    return false;
  }
  entry.identity.modified = {seconds, nanoseconds};
  if (!isSingleComponent(entry.name)) {
    return false;
  }
  if (mode == BatchJournal::Mode::Move || mode == BatchJournal::Mode::ReturnMove) {
    return entry.claim.isEmpty() && entry.temporary.isEmpty() && entry.target.isEmpty();
  }
  return isPrivateName(entry.claim) && isPrivateName(entry.temporary) &&
         (mode == BatchJournal::Mode::Copy || isSingleComponent(entry.target));
}

}  // namespace

QByteArray formatJournal(const BatchJournal& journal) {
  QByteArray text = header;
  text += '\n';
  text += modeLine(journal.mode);
  text += '\n';
  text += "watched " + QByteArray::number(static_cast<qulonglong>(journal.watchedDevice)) + ' ' +
          QByteArray::number(static_cast<qulonglong>(journal.watchedInode)) + '\n';
  if (!journal.batch.path.isEmpty()) {
    text += "batch " + journal.batch.path.toHex() + ' ' +
            QByteArray::number(static_cast<qulonglong>(journal.batch.device)) + ' ' +
            QByteArray::number(static_cast<qulonglong>(journal.batch.inode)) + '\n';
  }
  if (!journal.work.isEmpty()) {
    text += "work " + journal.work.toHex() + '\n';
  }
  for (const JournalEntry& entry : journal.entries) {
    const FileIdentity& id = entry.identity;
    text += "file " + hexOrNone(entry.name) + ' ' + hexOrNone(entry.claim) + ' ' +
            hexOrNone(entry.temporary) + ' ' +
            (returns(journal.mode) ? hexOrNone(entry.target) + ' ' : QByteArray()) +
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

QByteArray workFolderName() {
  return privatePrefix + QByteArray::number(static_cast<qulonglong>(geteuid()));
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
  const auto modes = {BatchJournal::Mode::Move, BatchJournal::Mode::Copy,
                      BatchJournal::Mode::ReturnMove, BatchJournal::Mode::ReturnCopy};
  const auto mode = std::find_if(modes.begin(), modes.end(),
                                 [&](BatchJournal::Mode m) { return lines[1] == modeLine(m); });
  if (mode == modes.end()) {
    return std::nullopt;
  }
  journal.mode = *mode;
  const QList<QByteArray> watched = lines[2].split(' ');
  if (watched.size() != 3 || watched[0] != "watched" ||
      !number(watched[1], journal.watchedDevice) || !number(watched[2], journal.watchedInode)) {
    return std::nullopt;
  }
  qsizetype first = 3;
  if (lines[3].startsWith("batch ")) {
    const QList<QByteArray> batch = lines[3].split(' ');
    if (batch.size() != 4 || !unhex(batch[1], journal.batch.path) || journal.batch.path.isEmpty() ||
        !number(batch[2], journal.batch.device) || !number(batch[3], journal.batch.inode)) {
      return std::nullopt;
    }
    ++first;
  }
  if (lines[first].startsWith("work ")) {
    const QList<QByteArray> work = lines[first].split(' ');
    if (work.size() != 2 || !unhex(work[1], journal.work) || !isPrivateName(journal.work)) {
      return std::nullopt;
    }
    ++first;
  }
  for (qsizetype i = first; i + 1 < lines.size(); ++i) {
    JournalEntry entry;
    if (!parseEntry(lines[i].split(' '), journal.mode, entry)) {
      return std::nullopt;
    }
    journal.entries.push_back(std::move(entry));
  }
  return journal;
}
