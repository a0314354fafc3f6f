// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace {

// Why the keys cannot be set in content, or an empty text once they are.
QString setKeys(QByteArray& content, const QString& section, const ini::KeyValues& values) {
  switch (ini::setValues(content, section, values)) {
    case ini::Refusal::LineBreak:
      return QStringLiteral("un texto contiene un salto de línea o un carácter nulo");
    case ini::Refusal::UnknownEncoding:
      return QStringLiteral("no se reconoce la codificación de su texto");
    case ini::Refusal::None:
      break;
  }
  return {};
}

}  // namespace

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
  if (const QString refused = setKeys(content, section, values); !refused.isEmpty()) {
    return {false, refused};
  }
  if (!replaceFileContents(file, content)) {
    return {false, errnoText(errno)};
  }
  return {true, {}};
}

IniWrite createWithKeys(const QString& file, QByteArray content, const QString& section,
                        const ini::KeyValues& values) {
  if (const QString refused = setKeys(content, section, values); !refused.isEmpty()) {
    return {false, refused};
  }
  if (!createFileContents(file, content)) {
    return {false, errnoText(errno)};
  }
  return {true, {}};
}
