// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/GrabaLeeIni.h"

#include "fs/ErrnoText.h"
#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "fs/SafeWrite.h"
#include "fs/UniqueFd.h"

#include <QFile>

#include <fcntl.h>
#include <cerrno>
#include <limits>

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

// 0 once content holds the whole file, else why not.
int readWhole(const QString& file, QByteArray& content) {
  const UniqueFd fd(::open(QFile::encodeName(file).constData(), openflags::read));
  return fd.valid() ? readAll(fd.get(), std::numeric_limits<std::size_t>::max(), content) : errno;
}

const QString notText = QStringLiteral("no es un archivo de texto");

}  // namespace

bool holdsText(const QString& file) {
  QByteArray content;
  return readWhole(file, content) != 0 || ini::isText(content);
}

IniWrite writeKeys(const QString& file, const QString& section, const ini::KeyValues& values) {
  QByteArray content;
  // A file not there yet is made; one that cannot be read whole is not written back cut.
  if (const int error = readWhole(file, content);
      error != 0 && error != ENOENT && error != ENOTDIR) {
    return {false, errnoText(error), true};
  }
  if (!ini::isText(content)) {
    return {false, notText, true};
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
