#pragma once

#include <QString>

struct AppContext;

// The program's settings: section CONFIGURACION of its Config.ini, read afresh at every call.
QString readSetting(const AppContext& context, const QString& key);
bool writeSetting(const AppContext& context, const QString& key, const QString& value);
