// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BatchJournal.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// One end of a move: an open folder, where it is, and what the user calls it.
struct MoveFolder {
  // The journal lives in the batch; across file systems the index lives with the watched
  // folder's working files.
  enum class Role { Watched, Batch };
  Role role = Role::Watched;
  // Where the copy way keeps this folder's working files (the source's claimed originals, the
  // target's copies until they are whole, the index): in the folder itself, a folder of ours;
  // or, in a folder that others write to, in the program's own work folder inside it, where
  // nobody else can plant, forge or rename a name.
  enum class WorkPlace { Itself, WorkFolder };
  WorkPlace work = WorkPlace::Itself;
  int fd = -1;
  struct stat info {};
  QString path;
  QString word;  // «directorio de monitorización», «lote»: for "el …", "del …", "en el …"
  // Reached again by path to prove it is still where the user looks: the folder itself when
  // name is empty (it may be a link the user made), else name inside parentPath, never a link.
  QString parentPath;
  QByteArray name;
  int parentFd = -1;  // flushed with the folder when its entry in the parent must last
  // Others take files from it (the watched folder, which other programs save from): a copy
  // published there and gone since is the user's file, not a lost one.
  bool othersTakeFiles = false;
};

// What a name taken in the target meanwhile means for the file that arrives.
enum class NameClash {
  LeaveFile,  // the file stays where it is, for a later move
  KeepBoth,   // it arrives under a kept name, "foto (conservado).bmp"
};

// How a file is looked at before it is taken. Either way it is opened, so that one that cannot
// be read is left where it is rather than failing the move.
enum class FileCheck {
  Readable,           // what a batch holds was closed long ago
  ReadableAndClosed,  // a file still being written is waited for
};

// Which way a move goes: a save takes files from the watched folder into its new batch; an
// undo takes them from the batch back.
struct MoveDirection {
  MoveFolder source;
  MoveFolder target;
  BatchJournal::Mode renameMode = BatchJournal::Mode::Move;
  BatchJournal::Mode copyMode = BatchJournal::Mode::Copy;
  NameClash clash = NameClash::LeaveFile;
  // A listed file gone from the source meanwhile: left with this reason, or, when it is empty,
  // told as missing.
  QString goneReason;
  FileCheck check = FileCheck::Readable;
};

// "el lote", "del lote", "en el lote".
inline QString theWord(const MoveFolder& folder) {
  return QStringLiteral("el ") + folder.word;
}
inline QString ofTheWord(const MoveFolder& folder) {
  return QStringLiteral("del ") + folder.word;
}
