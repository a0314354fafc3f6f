// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/WorkFolders.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

QString workFolderIn(const QString& folder) {
  const QString own = QStringLiteral(".varndel-%1").arg(geteuid());
  const QStringList names = QDir(folder).entryList({own, own + QStringLiteral("-*")},
                                                   QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
  for (const QString& name : names) {
    const QFileInfo info(folder + QLatin1Char('/') + name);
    if (info.ownerId() == geteuid()) {
      return info.filePath();
    }
  }
  return folder;
}
