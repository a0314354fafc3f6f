// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Config.h"

#include "fs/ErrnoText.h"
#include "fs/FilePrimitives.h"

#include <QFile>
#include <QFileInfo>

#include <limits>

namespace settings {

namespace {

const QString section = QStringLiteral("CONFIGURACION");

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

// Imagenes: the range, as both the start and the dialog say it.
QString minimumRange() {
  return QStringLiteral("debe ser un número entero de %1 a %2")
      .arg(lowestMinimum)
      .arg(std::numeric_limits<qint16>::max());
}

}  // namespace

QString Key::operator()(const QString& file) const {
  return LeeIni(file, section, name());
}

Reading<qint16> minimum(const QString& file) {
  return minimumOfText(minimumKey(file));
}

Reading<qint16> minimumOfText(const QString& text) {
  bool ok = false;
  const qint16 value = text.trimmed().toShort(&ok);
  if (text.trimmed().isEmpty()) {
    return {defaultMinimum,
            QStringLiteral("No hay ningún número mínimo de imágenes configurado. Se usará %1.")
                .arg(defaultMinimum)};
  }
  if (!ok) {
    return {defaultMinimum,
            QStringLiteral("El número mínimo de imágenes %1 no es válido: %2. "
                           "Se usará %3.")
                .arg(quoted(text), minimumRange(), QString::number(defaultMinimum))};
  }
  if (value < lowestMinimum) {
    return {value, QStringLiteral("El número mínimo de imágenes %1 se toma como %2.")
                       .arg(quoted(text.trimmed()), QString::number(lowestMinimum))};
  }
  return {value, {}};
}

Reading<bool> viewerOffered(const QString& file) {
  const QString text = viewerKey(file);
  const bool hidden = text == QLatin1String("0x0") || text == QLatin1String("0");
  return {hidden ? !defaultViewerOffered : defaultViewerOffered, {}};
}

QString minimumRefusal(const QString& text) {
  const Reading<qint16> reading = minimumOfText(text);
  if (reading.problem.isEmpty()) {
    return {};
  }
  return QStringLiteral("El número mínimo de imágenes %1. La configuración no se ha guardado.")
      .arg(minimumRange());
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

QString emptyFieldRefusal() {
  return QStringLiteral("Debe rellenar todos los campos.");
}

QString storeFailure(const QString& file, const IniWrite& written) {
  if (written.unreadable) {
    return QStringLiteral(
               "La configuración no se ha guardado porque no se puede leer el archivo "
               "de configuración %1: %2.")
        .arg(file, written.reason);
  }
  return QStringLiteral(
             "No se ha podido escribir el archivo de configuración %1: %2. La "
             "configuración no se ha guardado.")
      .arg(file, written.reason);
}

IniWrite store(const QString& file, const Edited& values) {
  return writeKeys(file, section,
                   {{watchedFolder.name(), values.watchedFolder},
                    {saveFolder.name(), values.saveFolder},
                    {prefix.name(), values.prefix},
                    {minimumKey.name(), values.minimum},
                    {pattern.name(), values.pattern}});
}

IniWrite create(const QString& file, const QByteArray& content, const QString& watched,
                const QString& saved) {
  return createWithKeys(file, content, section,
                        {{watchedFolder.name(), watched}, {saveFolder.name(), saved}});
}

}  // namespace settings
