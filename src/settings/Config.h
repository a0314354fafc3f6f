// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/GrabaLeeIni.h"

#include <QString>

// The program's settings: section CONFIGURACION of the Config.ini given at each call. The name
// of each key is written here alone.
namespace settings {

// One key, read afresh from the file at every call: settings::prefix(file).
class Key {
public:
  explicit constexpr Key(const char* name) : name_(name) {}
  QString operator()(const QString& file) const;
  QString name() const { return QLatin1String(name_); }

private:
  const char* name_;
};

inline constexpr Key watchedFolder{"Dir1"};
inline constexpr Key saveFolder{"Dir2"};
inline constexpr Key prefix{"Pref"};       // the start of every batch folder's name
inline constexpr Key minimum{"Imagenes"};  // as written, a number or not
inline constexpr Key pattern{"Ext"};
inline constexpr Key viewerSwitch{"Vis"};  // whether the viewer command is offered

// Whether text, blanks around it aside, is a minimum the settings dialog stores: a whole number
// from 1 to 32767, the most a signed 16-bit count holds.
bool validMinimum(const QString& text);

// The five settings the settings dialog edits, as typed.
struct Edited {
  QString watchedFolder;
  QString saveFolder;
  QString prefix;
  QString minimum;
  QString pattern;
};

// Writes the five in one replacement of the file: all of them or none.
IniWrite store(const QString& file, const Edited& values);

// Makes a new settings file from content with the two folders set, whole or not at all, and
// never over a file that is there.
IniWrite create(const QString& file, const QByteArray& content, const QString& watched,
                const QString& saved);

}  // namespace settings
