// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsLocation.h"

#include "fs/ErrnoText.h"
#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "fs/UniqueFd.h"
#include "settings/Config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace {

const QString fileName = QStringLiteral("/Config.ini");
constexpr std::size_t templateLimit = 1 << 20;

// A link that leads nowhere counts too: it is still not ours to replace.
bool present(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

QString configFolder(const SettingsEnvironment& environment) {
  // The base directory rules ignore a relative XDG_CONFIG_HOME.
  const QString base = QDir::isAbsolutePath(environment.configHome)
                           ? environment.configHome
                           : environment.home + QStringLiteral("/.config");
  return base + QStringLiteral("/varndel");
}

QString picturesFolder(const SettingsEnvironment& environment) {
  // xdg-user-dir prints the home folder when no pictures folder is set.
  const QString pictures = environment.pictures ? environment.pictures() : QString();
  if (QDir::isAbsolutePath(pictures) &&
      QDir::cleanPath(pictures) != QDir::cleanPath(environment.home)) {
    return pictures;
  }
  const QString spanish = environment.home + QStringLiteral("/Imágenes");
  return QFileInfo(spanish).isDir() ? spanish : environment.home;
}

UniqueFd openToRead(const QString& path) {
  return UniqueFd(::open(QFile::encodeName(path).constData(), openflags::read));
}

// The template with the two folders set is written whole, and only where nothing has taken
// the name meanwhile: a crash leaves no half-made settings. Empty when done, else why not.
QString writeUserFile(const SettingsLocation& location) {
  QByteArray content;
  const UniqueFd source = openToRead(location.templateFile);
  if (const int error = source.valid() ? readAll(source.get(), templateLimit, content) : errno) {
    return QStringLiteral("no se puede leer la plantilla %1: %2")
        .arg(location.templateFile, errnoText(error));
  }
  const QString folder = QFileInfo(location.file).absolutePath();
  if (const int error = makeFolders(QFile::encodeName(folder))) {
    return QStringLiteral("no se puede crear la carpeta %1: %2").arg(folder, errnoText(error));
  }
  return settings::create(location.file, content, location.watchedFolder, location.saveFolder)
      .reason;
}

SettingsStart firstStart(const SettingsLocation& location) {
  if (const QString reason = writeUserFile(location); !reason.isEmpty()) {
    return {location.file,
            {},
            QStringLiteral("No se ha podido crear el archivo de configuración %1: %2.")
                .arg(location.file, reason)};
  }
  QStringList problems;
  for (const QString& folder : {location.watchedFolder, location.saveFolder}) {
    if (const int error = makeFolders(QFile::encodeName(folder))) {
      problems << QStringLiteral("No se ha podido crear la carpeta %1: %2.")
                      .arg(folder, errnoText(error));
    }
  }
  const QString notice = QStringLiteral(
                             "Le damos la bienvenida a Varndel.\n\n"
                             "Se ha creado su archivo de configuración:\n%1\n\n"
                             "Carpeta vigilada, adonde deben llegar las capturas:\n%2\n\n"
                             "Carpeta de guardado, donde se crea cada lote:\n%3\n\n"
                             "Puede cambiarlas en «Configuración».")
                             .arg(location.file, location.watchedFolder, location.saveFolder);
  return {location.file, notice, problems.join(QLatin1Char('\n'))};
}

}  // namespace

SettingsLocation locateSettings(const SettingsEnvironment& environment) {
  const QString portable = environment.programFolder + fileName;
  if (present(portable)) {
    return {SettingsSource::Portable, portable, {}, {}, {}};
  }
  const QString user = configFolder(environment) + fileName;
  if (present(user)) {
    return {SettingsSource::User, user, {}, {}, {}};
  }
  const QString base = picturesFolder(environment) + QStringLiteral("/Varndel");
  return {SettingsSource::FirstStart, user,
          QDir::cleanPath(environment.programFolder +
                          QStringLiteral("/../share/varndel/Config.ini.template")),
          base + QStringLiteral("/Capturas"), base + QStringLiteral("/Lotes")};
}

SettingsStart prepareSettings(const SettingsEnvironment& environment) {
  const SettingsLocation location = locateSettings(environment);
  if (location.source == SettingsSource::FirstStart) {
    return firstStart(location);
  }
  return prepareNamedSettings(location.file);
}

SettingsStart prepareNamedSettings(const QString& file) {
  if (const int error = settingsReadError(file)) {
    return {file,
            {},
            QStringLiteral("No se puede leer el archivo de configuración %1: %2.\n"
                           "Varndel no lo sustituye: corríjalo o quítelo y vuelva a abrir el "
                           "programa.")
                .arg(file, errnoText(error))};
  }
  return {file, {}, {}};
}

int settingsReadError(const QString& file) {
  const UniqueFd fd = openToRead(file);
  char byte;
  return !fd.valid() || ::read(fd.get(), &byte, 1) < 0 ? errno : 0;
}

QString historyFile(const SettingsEnvironment& environment, const QString& settingsFile) {
  const QString name = QStringLiteral("/Historial.txt");
  if (QDir::cleanPath(settingsFile) == QDir::cleanPath(environment.programFolder + fileName)) {
    return environment.programFolder + name;
  }
  // The base directory rules ignore a relative XDG_STATE_HOME.
  const QString base = QDir::isAbsolutePath(environment.stateHome)
                           ? environment.stateHome
                           : environment.home + QStringLiteral("/.local/state");
  return base + QStringLiteral("/varndel") + name;
}

SettingsEnvironment systemSettingsEnvironment() {
  // Asked only on a first start: the other starts need not wait for another program.
  const auto pictures = [] {
    QProcess userFolder;
    userFolder.start(QStringLiteral("xdg-user-dir"), {QStringLiteral("PICTURES")});
    const bool answered = userFolder.waitForFinished(2000) &&
                          userFolder.exitStatus() == QProcess::NormalExit &&
                          userFolder.exitCode() == 0;
    return answered ? QString::fromLocal8Bit(userFolder.readAllStandardOutput()).trimmed()
                    : QString();
  };
  return {QCoreApplication::applicationDirPath(), QDir::homePath(),
          qEnvironmentVariable("XDG_CONFIG_HOME"), pictures,
          qEnvironmentVariable("XDG_STATE_HOME")};
}
