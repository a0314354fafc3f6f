#include "settings/GrabaLeeIni.h"

#include "settings/IniFormat.h"
#include "settings/SafeWrite.h"

#include <QFile>

QString LeeIni(const QString& file, const QString& section, const QString& key) {
  QFile input(file);
  if (!input.open(QIODevice::ReadOnly)) {
    return {};
  }
  return ini::value(input.readAll(), section, key);
}

bool GrabaIni(const QString& file, const QString& section, const QString& key,
              const QString& value) {
  QByteArray content;
  QFile input(file);
  if (input.exists()) {
    if (!input.open(QIODevice::ReadOnly)) {
      return false;
    }
    content = input.readAll();
  }
  const auto updated = ini::withValue(content, section, key, value);
  return updated && replaceFileContents(file, *updated);
}
