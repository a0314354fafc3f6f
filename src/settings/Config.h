#pragma once

#include "settings/GrabaLeeIni.h"

#include <QString>

struct AppContext;

// The program's settings: section CONFIGURACION of its Config.ini, read afresh at every call.
QString readSetting(const AppContext& context, const QString& key);
// Writes the keys in order in one replacement of the file: all or none.
IniWrite writeSettings(const AppContext& context, const ini::KeyValues& values);
