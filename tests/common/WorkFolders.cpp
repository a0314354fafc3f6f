// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/WorkFolders.h"

#include <QDir>

#include <unistd.h>

QString workFolderIn(const QString& folder) {
  const QStringList names = QDir(folder).entryList({QStringLiteral(".varndel-%1*").arg(geteuid())},
                                                   QDir::Dirs | QDir::Hidden);
  return names.isEmpty() ? folder : folder + QLatin1Char('/') + names.front();
}
