// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(CommandLine, EachArgumentListRunsOrEndsWithItsStatusAndText) {
  const QString here = QDir::currentPath();
  const struct {
    QStringList arguments;
    bool ends;
    int status;
    const char* firstLine;  // a pattern
    bool usage;             // the usage with every option follows
    QString configFile;
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
       here + QStringLiteral("/mio.ini")},
      {{QStringLiteral("--config=/etc/x/Config.ini")},
       false,
       0,
       "^$",
       false,
       QStringLiteral("/etc/x/Config.ini")},
      // A session manager restarts the program with Qt's own options.
      {{QStringLiteral("-session"), QStringLiteral("1a2b"), QStringLiteral("-reverse"),
        QStringLiteral("--config"), QStringLiteral("/c.ini")},
       false,
       0,
       "^$",
       false,
       QStringLiteral("/c.ini")},
      {{QStringLiteral("--nada")}, true, 2, "nada", true, {}},
      {{QStringLiteral("-x")}, true, 2, "x", true, {}},
      {{QStringLiteral("--config")}, true, 2, "--config", true, {}},
      {{QStringLiteral("--version=2")}, true, 2, "--version", true, {}},
      {{QStringLiteral("suelto")}, true, 2, "suelto", true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
    const CommandLine line =
        readCommandLine(QStringList{QStringLiteral("/usr/bin/varndel")} + c.arguments);
    EXPECT_EQ(line.ends, c.ends);
    EXPECT_EQ(line.status, c.status);
    const QString first = line.output.section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(first.contains(QRegularExpression(QString::fromLatin1(c.firstLine))))
        << first.toStdString();
    EXPECT_EQ(line.configFile, c.configFile);
    EXPECT_EQ(line.output.contains(QStringLiteral("--config <RUTA>")), c.usage);
  }
}
