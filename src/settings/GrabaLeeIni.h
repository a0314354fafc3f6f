#pragma once

#include <QString>

// Reads one key of an INI file, as the Windows profile reader does: "" for a missing file,
// section or key. The file is read afresh at every call.
QString LeeIni(const QString& file, const QString& section, const QString& key);

// Writes one key of an INI file, keeping every other line. False when the file could not be
// written, in which case it is left as it was.
bool GrabaIni(const QString& file, const QString& section, const QString& key,
              const QString& value);
