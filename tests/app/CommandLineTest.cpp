// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QProcessEnvironment environmentOf(const QStringList& variables) {
  QProcessEnvironment environment;
  for (const QString& variable : variables) {
    environment.insert(variable.section(QLatin1Char('='), 0, 0),
                       variable.section(QLatin1Char('='), 1));
  }
  return environment;
}

}  // namespace

TEST(CommandLine, EachArgumentListRunsOrEndsWithItsStatusAndText) {
  const TestWorld world;
  world.writeFile(QStringLiteral("mio.ini"));
  world.makeFolder(QStringLiteral("x"));
  world.writeFile(QStringLiteral("x/Config.ini"));
  const QString previous = QDir::currentPath();
  QDir::setCurrent(world.path(QStringLiteral(".")));
  const struct {
    QStringList arguments;
    bool ends;
    int status;
    const char* firstLine;  // a pattern
    bool usage;             // the usage with every option follows
    QString configFile;
    QStringList environment = {QStringLiteral("DISPLAY=:0")};
  } cases[] = {
      {{}, false, 0, "^$", false, {}},
      {{QStringLiteral("--help")}, true, 0, "^\\S+ \\S+ \\[\\S+\\]$", true, {}},
      {{QStringLiteral("-h")}, true, 0, "^\\S+ \\S+ \\[\\S+\\]$", true, {}},
      {{QStringLiteral("--version")}, true, 0, "^Varndel \\d+\\.\\d+$", false, {}},
      {{QStringLiteral("-v")}, true, 0, "^Varndel \\d+\\.\\d+$", false, {}},
      {{QStringLiteral("--config"), QStringLiteral("mio.ini")},
       false,
       0,
       "^$",
       false,
       world.path(QStringLiteral("mio.ini"))},
      {{QStringLiteral("--config=") + world.path(QStringLiteral("x/Config.ini"))},
       false,
       0,
       "^$",
       false,
       world.path(QStringLiteral("x/Config.ini"))},
      // A session manager restarts the program with Qt's own options.
      {{QStringLiteral("-session"), QStringLiteral("1a2b"), QStringLiteral("-reverse"),
        QStringLiteral("--config"), world.path(QStringLiteral("mio.ini"))},
       false,
       0,
       "^$",
       false,
       world.path(QStringLiteral("mio.ini"))},
      // A named file is never made.
      {{QStringLiteral("--config"), QStringLiteral("falta.ini")},
       true,
       2,
       "^El archivo de configuración «/.+/falta\\.ini» no existe\\.$",
       false,
       {}},
      {{QStringLiteral("--nada")}, true, 2, "^Opción desconocida «--nada»\\.$", true, {}},
      {{QStringLiteral("-x"), QStringLiteral("--otra=1")},
       true,
       2,
       "^Opciones desconocidas: «-x», «--otra»\\.$",
       true,
       {}},
      {{QStringLiteral("--config")}, true, 2, "--config", true, {}},
      {{QStringLiteral("--version=2")}, true, 2, "--version", true, {}},
      {{QStringLiteral("suelto")}, true, 2, "suelto", true, {}},
      // Without a display Qt would end in English; the help needs none.
      {{}, true, 1, "^Varndel necesita una sesión gráfica", false, {}, {}},
      {{QStringLiteral("--help")}, true, 0, "^\\S+ \\S+ \\[\\S+\\]$", true, {}, {}},
      {{}, false, 0, "^$", false, {}, {QStringLiteral("WAYLAND_DISPLAY=wayland-0")}},
      {{},
       true,
       1,
       "sesión gráfica",
       false,
       {},
       {QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY="),
        QStringLiteral("WAYLAND_DISPLAY=wayland-0")}},
      {{QStringLiteral("-display"), QStringLiteral(":1")},
       false,
       0,
       "^$",
       false,
       {},
       {QStringLiteral("QT_QPA_PLATFORM=xcb")}},
      {{QStringLiteral("-platform"), QStringLiteral("offscreen")}, false, 0, "^$", false, {}, {}},
      {{}, false, 0, "^$", false, {}, {QStringLiteral("QT_QPA_PLATFORM=xcb;offscreen")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.arguments + c.environment).join(QLatin1Char(' ')).toStdString());
    const CommandLine line =
        readCommandLine(QStringList{QStringLiteral("/usr/bin/varndel")} + c.arguments,
                        environmentOf(c.environment));
    EXPECT_EQ(line.ends, c.ends);
    EXPECT_EQ(line.status, c.status);
    const QString first = line.output.section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(first.contains(QRegularExpression(QString::fromUtf8(c.firstLine))))
        << first.toStdString();
    EXPECT_EQ(line.configFile, c.configFile);
    EXPECT_EQ(line.output.contains(QStringLiteral("--config <RUTA>")), c.usage);
  }
  QDir::setCurrent(previous);
}
