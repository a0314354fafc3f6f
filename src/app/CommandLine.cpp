// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

// The options that QApplication takes for itself; a session manager restarts a program with
// -session, so they must not count as unknown.
const char* const qtValueOptions[] = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",  "display", "geometry",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session", "style",   "stylesheet"};
const char* const qtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

void addHidden(QCommandLineParser& parser, const char* name, const QString& valueName) {
  QCommandLineOption option(QString::fromLatin1(name), QString(), valueName);
  option.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(option);
}

}  // namespace

CommandLine readCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  // Qt's own options take one dash and a whole word.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(
      QStringLiteral("Vigila una carpeta y mueve sus imágenes, lote a lote, a carpetas nuevas."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Muestra esta ayuda y termina."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Muestra la versión y termina."));
  const QCommandLineOption config(
      QStringLiteral("config"),
      QStringLiteral("Usa el archivo de configuración RUTA en lugar del habitual."),
      QStringLiteral("RUTA"));
  parser.addOptions({help, version, config});
  for (const char* name : qtValueOptions) {
    addHidden(parser, name, QStringLiteral("valor"));
  }
  for (const char* name : qtFlagOptions) {
    addHidden(parser, name, QString());
  }

  if (!parser.parse(arguments)) {
    return {true, 2, parser.errorText() + QLatin1Char('\n') + parser.helpText(), {}};
  }
  if (!parser.positionalArguments().isEmpty()) {
    const QString error =
        QStringLiteral("Argumento inesperado «%1».").arg(parser.positionalArguments().first());
    return {true, 2, error + QLatin1Char('\n') + parser.helpText(), {}};
  }
  if (parser.isSet(help)) {
    return {true, 0, parser.helpText(), {}};
  }
  if (parser.isSet(version)) {
    return {true, 0, QStringLiteral("Varndel %1\n").arg(QStringLiteral(VARNDEL_VERSION)), {}};
  }
  const QString file = parser.value(config);
  return {false, 0, {}, file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath()};
}
