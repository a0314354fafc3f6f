// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/UniqueFd.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The thumbnails the desktop's file managers share ($XDG_CACHE_HOME/thumbnails/normal): one PNG
// for each file, named after the MD5 of the file's URI, carrying that URI and the file's
// modification time as text, so that an entry made from another file or an older state of the
// file is known and made again. Entries are read as untrusted input: one that is not a
// regular file of this user, not a whole PNG, too large or made from something else is ignored.
class ThumbnailCache {
public:
  static constexpr int edge = 128;  // a normal thumbnail fits in a square this size

  // $XDG_CACHE_HOME, or ~/.cache when that is unset or not an absolute path.
  static QString standardRoot();

  // Opens root/thumbnails/normal, making what is missing; both folders must be private folders
  // of this user (made or closed 0700). A cache that cannot be opened finds and keeps nothing.
  explicit ThumbnailCache(const QString& root);

  bool usable() const { return folder_.valid(); }
  // The entry of the file at path when it was made from the file as it is now; null otherwise.
  QImage find(const QByteArray& path, qint64 modified) const;
  // Keeps a thumbnail of the file; 0 or an error number.
  int store(const QByteArray& path, qint64 modified, const QImage& thumbnail) const;

private:
  UniqueFd folder_;
};

// The file's URI as GLib spells it, the key every file manager hashes: "file://" and the
// absolute path, each byte outside RFC 2396's path characters written %XX.
QByteArray fileUri(const QByteArray& absolutePath);
// An entry's name: the URI's MD5 in lower-case hexadecimal, then ".png".
QByteArray entryName(const QByteArray& uri);
