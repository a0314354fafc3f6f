#include "settings/Config.h"

#include "app/AppContext.h"
#include "settings/GrabaLeeIni.h"

namespace {
const QString section = QStringLiteral("CONFIGURACION");
}

QString readSetting(const AppContext& context, const QString& key) {
  return LeeIni(context.settingsFile, section, key);
}

bool writeSetting(const AppContext& context, const QString& key, const QString& value) {
  return GrabaIni(context.settingsFile, section, key, value);
}
