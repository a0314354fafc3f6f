// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/FileIdentity.h"

#include <QByteArray>

#include <optional>
#include <vector>

// The record a save keeps in its batch folder while files are on their way, so that a save
// cut short by a crash can be put right at the next start. It is read back as untrusted input.
inline constexpr char journalName[] = ".varndel-journal";
inline constexpr char journalDraftName[] = ".varndel-journal.new";

struct JournalEntry {
  QByteArray name;       // in the watched folder, and in the batch folder once there
  QByteArray claim;      // hidden name in the watched folder while copied (copy mode)
  QByteArray temporary;  // hidden name in the batch folder until the copy is whole (copy mode)
  FileIdentity identity;
  // Return modes: claims and the original stay in the batch folder, the copy goes to the watched
  // folder, under this name there.
  QByteArray target;
};

struct BatchJournal {
  // A save moves files from the watched folder into the batch; a return takes them back.
  enum class Mode { Move, Copy, ReturnMove, ReturnCopy };
  Mode mode = Mode::Move;
  dev_t watchedDevice = 0;
  ino_t watchedInode = 0;
  std::vector<JournalEntry> entries;
  // Where the batch folder is, so that a recovery that starts from the index in the watched
  // folder finds it wherever it lies; empty in journals written before it was kept.
  struct Batch {
    QByteArray path;
    dev_t device = 0;
    ino_t inode = 0;
  } batch;
  // The work folder inside the watched folder that holds the watched folder's working files;
  // empty when they lie in the watched folder itself, as journals written before it was kept say.
  QByteArray work{};
};

QByteArray formatJournal(const BatchJournal& journal);

// Across file systems the watched folder's working files (a save's claimed originals, an
// undo's copies until they are whole) wait in the program's work folder inside it, under hidden
// names that start with their move's tag. An index beside them holds the journal's text, so
// that they can be named truly even when their batch folder is out of reach. A live move keeps
// its index locked.
QByteArray workFolderName();  // ".varndel-<user id>", or a spare of it
QByteArray saveTag(ino_t batchInode);
QByteArray indexName(const QByteArray& tag);
QByteArray indexDraftName(const QByteArray& tag);
// The tag of one of a save's hidden names, or an empty name for any other name.
QByteArray tagOf(const QByteArray& name);

// Nothing when the text is not a whole journal: cut short, malformed, or naming anything but
// single entries of a folder (and, for the hidden names, the save's own private names).
std::optional<BatchJournal> parseJournal(const QByteArray& text);
