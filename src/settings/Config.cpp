#include "settings/Config.h"

namespace {

const QString section = QStringLiteral("CONFIGURACION");
const QString dir1 = QStringLiteral("Dir1");
const QString dir2 = QStringLiteral("Dir2");
const QString pref = QStringLiteral("Pref");
const QString imagenes = QStringLiteral("Imagenes");
const QString ext = QStringLiteral("Ext");
const QString vis = QStringLiteral("Vis");

}  // namespace

namespace settings {

QString watchedFolder(const QString& file) {
  return LeeIni(file, section, dir1);
}

QString saveFolder(const QString& file) {
  return LeeIni(file, section, dir2);
}

QString prefix(const QString& file) {
  return LeeIni(file, section, pref);
}

QString minimum(const QString& file) {
  return LeeIni(file, section, imagenes);
}

QString pattern(const QString& file) {
  return LeeIni(file, section, ext);
}

QString viewerSwitch(const QString& file) {
  return LeeIni(file, section, vis);
}

IniWrite store(const QString& file, const Edited& values) {
  return writeKeys(file, section,
                   {{dir1, values.watchedFolder},
                    {dir2, values.saveFolder},
                    {pref, values.prefix},
                    {imagenes, values.minimum},
                    {ext, values.pattern}});
}

}  // namespace settings
