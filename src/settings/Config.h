#pragma once

#include "settings/GrabaLeeIni.h"

#include <QString>

// The program's settings: section CONFIGURACION of the given Config.ini, read afresh at every
// call. The name of each key is written here alone.
namespace settings {

QString watchedFolder(const QString& file);  // Dir1
QString saveFolder(const QString& file);     // Dir2
QString prefix(const QString& file);         // Pref, the start of every batch folder's name
QString minimum(const QString& file);        // Imagenes, as written: a number or not
QString pattern(const QString& file);        // Ext
QString viewerSwitch(const QString& file);   // Vis, whether the viewer command is offered

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

}  // namespace settings
