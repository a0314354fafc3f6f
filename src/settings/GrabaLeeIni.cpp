#include "settings/GrabaLeeIni.h"

#include "fs/ErrnoText.h"
#include "fs/SafeWrite.h"

#include <QFile>

#include <cerrno>

QString LeeIni(const QString& file, const QString& section, const QString& key) {
  QFile input(file);
  if (!input.open(QIODevice::ReadOnly)) {
    return {};
  }
  return ini::value(input.readAll(), section, key);
}

bool GrabaIni(const QString& file, const QString& section, const QString& key,
              const QString& value) {
  return writeKeys(file, section, {{key, value}}).ok;
}

IniWrite writeKeys(const QString& file, const QString& section, const ini::KeyValues& values) {
  QByteArray content;
  QFile input(file);
  if (input.exists()) {
    if (input.open(QIODevice::ReadOnly)) {
      content = input.readAll();
    }
    // A short read would write the file back cut.
    if (!input.isOpen() || content.size() != input.size()) {
      return {false, QStringLiteral("no se ha podido leer")};
    }
  }
  switch (ini::setValues(content, section, values)) {
    case ini::Refusal::LineBreak:
      return {false, QStringLiteral("un texto contiene un salto de línea o un carácter nulo")};
    case ini::Refusal::UnknownEncoding:
      return {false, QStringLiteral("no se reconoce la codificación de su texto")};
    case ini::Refusal::None:
      break;
  }
  if (!replaceFileContents(file, content)) {
    return {false, errnoText(errno)};
  }
  return {true, {}};
}
