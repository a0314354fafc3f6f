#include "settings/Config.h"

#include "app/AppContext.h"

namespace {
const QString section = QStringLiteral("CONFIGURACION");
}

QString readSetting(const AppContext& context, const QString& key) {
  return LeeIni(context.settingsFile, section, key);
}

IniWrite writeSettings(const AppContext& context, const ini::KeyValues& values) {
  return writeKeys(context.settingsFile, section, values);
}
