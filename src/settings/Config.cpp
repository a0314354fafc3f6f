// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Config.h"

namespace settings {

namespace {
const QString section = QStringLiteral("CONFIGURACION");
}

QString Key::operator()(const QString& file) const {
  return LeeIni(file, section, name());
}

bool validMinimum(const QString& text) {
  bool ok = false;
  const short value = text.trimmed().toShort(&ok);
  return ok && value >= 1;
}

IniWrite store(const QString& file, const Edited& values) {
  return writeKeys(file, section,
                   {{watchedFolder.name(), values.watchedFolder},
                    {saveFolder.name(), values.saveFolder},
                    {prefix.name(), values.prefix},
                    {minimum.name(), values.minimum},
                    {pattern.name(), values.pattern}});
}

IniWrite create(const QString& file, const QByteArray& content, const QString& watched,
                const QString& saved) {
  return createWithKeys(file, content, section,
                        {{watchedFolder.name(), watched}, {saveFolder.name(), saved}});
}

}  // namespace settings
