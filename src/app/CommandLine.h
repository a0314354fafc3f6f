// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What the command line asks for. When `ends` is set the program prints `output` (to standard
// output when the status is 0, else to standard error) and ends with `status`, before any
// window or display is opened.
struct CommandLine {
  bool ends = false;
  int status = 0;
  QString output;
  QString configFile;  // absolute; empty when the usual places are to be used
};

// Needs an application object for the usage line and Qt's translated texts. The environment
// tells whether there is a display to open the windows on.
CommandLine readCommandLine(const QStringList& arguments, const QProcessEnvironment& environment);
