// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Config.h"

#include "fs/ErrnoText.h"
#include "fs/FilePrimitives.h"

#include <QFile>
#include <QFileInfo>

namespace settings {

namespace {

const QString section = QStringLiteral("CONFIGURACION");

// Imagenes
constexpr qint16 fallbackMinimum = 5;

// Every part of a pattern joined by ";" that names one file whole.
QStringList namesWrittenOut(const QString& patterns) {
  QStringList names;
  for (const QString& part : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString name = part.trimmed();
    if (!name.isEmpty() && !name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?')) &&
        !name.contains(QLatin1Char('.'))) {
      names << name;
    }
  }
  return names;
}

QString quoted(const QString& text) {
  return QStringLiteral("«") + text + QStringLiteral("»");
}

}  // namespace

QString Key::operator()(const QString& file) const {
  return LeeIni(file, section, name());
}

Reading<qint16> readMinimum(const QString& text) {
  bool ok = false;
  const qint16 value = text.trimmed().toShort(&ok);
  if (text.trimmed().isEmpty()) {
    return {fallbackMinimum,
            QStringLiteral("No hay ningún número mínimo de imágenes configurado. Se usará %1.")
                .arg(fallbackMinimum)};
  }
  if (!ok) {
    return {fallbackMinimum,
            QStringLiteral("El número mínimo de imágenes %1 no es válido: debe ser un número "
                           "entero de 1 a 32767. Se usará %2.")
                .arg(quoted(text), QString::number(fallbackMinimum))};
  }
  if (value < 1) {
    return {value, QStringLiteral("El número mínimo de imágenes %1 se toma como 1.")
                       .arg(quoted(text.trimmed()))};
  }
  return {value, {}};
}

QString minimumRefusal(const QString& text) {
  bool ok = false;
  if (text.trimmed().toShort(&ok) >= 1 && ok) {
    return {};
  }
  return QStringLiteral(
      "El número mínimo de imágenes debe ser un número entero de 1 a 32767. La configuración no "
      "se ha guardado.");
}

QString prefixRefusal(const QString& text) {
  for (const QChar c : {QChar(u'/'), QChar(u'\0')}) {
    if (text.contains(c)) {
      return QStringLiteral(
                 "El prefijo no puede llevar %1: es el comienzo del nombre de cada carpeta de "
                 "lote, y un nombre de carpeta no puede llevar ese carácter. La configuración no "
                 "se ha guardado.")
          .arg(c == QLatin1Char('/') ? quoted(QStringLiteral("/"))
                                     : QStringLiteral("un carácter nulo"));
    }
  }
  return {};
}

QString prefixCutQuestion(const QString& stored) {
  if (stored.size() <= prefixLength) {
    return {};
  }
  return QStringLiteral(
             "El prefijo %1 del archivo de configuración tiene más de %2 caracteres, los que "
             "admite su cuadro: se guardará como %3. ¿Guardarlo así?")
      .arg(quoted(stored), QString::number(prefixLength), quoted(stored.left(prefixLength)));
}

QString patternQuestion(const QString& text) {
  const QStringList names = namesWrittenOut(text);
  if (names.isEmpty()) {
    return {};
  }
  const QString first = names.front();
  return QStringLiteral(
             "El tipo de fichero %1 no lleva comodín ni punto: solo tomará los archivos que se "
             "llamen exactamente %1, sin extensión, y no los %2. ¿Guardarlo así?")
      .arg(quoted(first), quoted(QStringLiteral("*.") + first));
}

FolderState folderState(const QString& folder) {
  const QFileInfo info(folder);
  if (info.isDir()) {
    return FolderState::Folder;
  }
  return info.exists() || info.isSymLink() ? FolderState::NotAFolder : FolderState::Missing;
}

QString missingFolderQuestion(const QString& folder) {
  return QStringLiteral("El directorio %1 no existe. ¿Crearlo?").arg(folder);
}

QString notAFolderRefusal(const QString& folder) {
  return QStringLiteral("La ruta %1 no es un directorio. La configuración no se ha guardado.")
      .arg(folder);
}

QString makeFolder(const QString& folder) {
  if (const int error = makeFolders(QFile::encodeName(folder))) {
    return QStringLiteral(
               "No se pudo crear el directorio %1: %2. La configuración no se ha "
               "guardado.")
        .arg(folder, errnoText(error));
  }
  return {};
}

QString fileProblem(const QString& file) {
  if (holdsText(file)) {
    return {};
  }
  return QStringLiteral(
             "No se puede leer como configuración el archivo %1: no es un archivo de texto "
             "(Varndel no lo sustituye).")
      .arg(file);
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
