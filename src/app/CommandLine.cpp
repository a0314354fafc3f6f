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

// Qt names an unknown option without its dashes; the user reads it as they typed it.
QString typed(const QStringList& arguments, const QString& name) {
  for (const QString& argument : arguments.mid(1)) {
    if (argument == QLatin1String("--")) {
      break;
    }
    const QString option = argument.section(QLatin1Char('='), 0, 0);
    const qsizetype dashes = option.startsWith(QLatin1String("--")) ? 2 : 1;
    if (option.startsWith(QLatin1Char('-')) && QStringView(option).mid(dashes) == name) {
      return option;
    }
  }
  return name;
}

QString unknownOptionsText(const QStringList& arguments, const QStringList& names) {
  QStringList quoted;
  for (const QString& name : names) {
    quoted << QStringLiteral("«%1»").arg(typed(arguments, name));
  }
  return quoted.size() == 1
             ? QStringLiteral("Opción desconocida %1.").arg(quoted.first())
             : QStringLiteral("Opciones desconocidas: %1.").arg(quoted.join(QStringLiteral(", ")));
}

// Qt ends the program with an English message when its platform finds no display. The X one
// needs DISPLAY (or -display); with no platform named, Qt may take Wayland instead. Any other
// platform named (offscreen, vnc) needs neither.
bool displayMissing(const QCommandLineParser& parser, const QProcessEnvironment& environment) {
  const QString platformOption = QStringLiteral("platform");
  const QString displayOption = QStringLiteral("display");
  const QString platform = parser.isSet(platformOption)
                               ? parser.value(platformOption)
                               : environment.value(QStringLiteral("QT_QPA_PLATFORM"));
  const QString x11 = parser.isSet(displayOption) ? parser.value(displayOption)
                                                  : environment.value(QStringLiteral("DISPLAY"));
  if (platform.isEmpty()) {
    return x11.isEmpty() && environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
  }
  // A list of platforms to try in turn, each with its options after ':'.
  for (const QString& entry : platform.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    if (entry.section(QLatin1Char(':'), 0, 0) != QLatin1String("xcb")) {
      return false;
    }
  }
  return x11.isEmpty();
}

}  // namespace

CommandLine readCommandLine(const QStringList& arguments, const QProcessEnvironment& environment) {
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
    const QStringList unknown = parser.unknownOptionNames();
    const QString error =
        unknown.isEmpty() ? parser.errorText() : unknownOptionsText(arguments, unknown);
    return {true, 2, error + QLatin1Char('\n') + parser.helpText(), {}};
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
  const QString absolute = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
  // A named file is never made: a mistyped name would otherwise start with empty settings.
  if (!absolute.isEmpty() && !QFileInfo::exists(absolute)) {
    return {
        true, 2, QStringLiteral("El archivo de configuración «%1» no existe.\n").arg(absolute), {}};
  }
  if (displayMissing(parser, environment)) {
    return {true,
            1,
            QStringLiteral("Varndel necesita una sesión gráfica: no hay ninguna pantalla donde "
                           "abrir su ventana (la variable DISPLAY está vacía).\n"),
            {}};
  }
  return {false, 0, {}, absolute};
}
