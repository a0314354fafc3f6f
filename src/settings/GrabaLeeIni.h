// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/IniFormat.h"

#include <QString>

// Reads one key of an INI file, as the Windows profile reader does: "" for a missing file,
// section or key. The file is read afresh at every call.
QString LeeIni(const QString& file, const QString& section, const QString& key);

// Writes one key of an INI file, keeping every other line. False when the file could not be
// written, in which case it is left as it was.
bool GrabaIni(const QString& file, const QString& section, const QString& key,
              const QString& value);

// Whether the file holds text an INI reader can take; a file missing or unreadable counts as
// text, since reading it fails for another reason.
bool holdsText(const QString& file);

struct IniWrite {
  bool ok = false;
  QString reason;           // why the file was left as it was, in Spanish
  bool unreadable = false;  // the file there could not be read, so nothing was written
};

// Writes several keys of one section as that many GrabaIni calls would, in one replacement of
// the file: either all of them are written or none.
IniWrite writeKeys(const QString& file, const QString& section, const ini::KeyValues& values);

// Makes a new INI file from content with the keys set as writeKeys sets them, whole or not at
// all, and never over a file that is there.
IniWrite createWithKeys(const QString& file, QByteArray content, const QString& section,
                        const ini::KeyValues& values);
