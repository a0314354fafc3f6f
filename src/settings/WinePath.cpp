// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/WinePath.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The entry of folder whose name equals name without regard to case; name itself when the
// exact one exists or none matches.
QString matchingEntry(const QString& folder, const QString& name) {
  const QDir dir(folder);
  if (dir.exists(name)) {
    return name;
  }
  const QStringList entries =
      dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& entry : entries) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) {
      return entry;
    }
  }
  return name;
}

}  // namespace

QString linuxPathInPrefix(const QString& prefixFolder, const QString& windowsPath) {
  static const QRegularExpression drivePath(QStringLiteral("^([A-Za-z]):(.*)$"),
                                            QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch match = drivePath.match(windowsPath);
  if (!match.hasMatch()) {
    return {};
  }
  const QString letter = match.captured(1).toLower();
  const QDir prefix(prefixFolder);
  const QFileInfo link(prefix.filePath(QStringLiteral("dosdevices/") + letter + QLatin1Char(':')));
  const QFileInfo driveC(prefix.filePath(QStringLiteral("drive_c")));
  QString path;
  if (link.isSymLink()) {
    path = link.symLinkTarget();
  } else if (link.isDir()) {
    path = link.absoluteFilePath();
  } else if (letter == QLatin1String("c") && driveC.isDir()) {
    path = driveC.absoluteFilePath();
  } else {
    return {};
  }
  const QString rest = match.captured(2);
  static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
  for (const QString& component : rest.split(separators, Qt::SkipEmptyParts)) {
    path = QDir(path).filePath(matchingEntry(path, component));
  }
  path = QDir::cleanPath(path);
  const bool trailing = rest.endsWith(QLatin1Char('\\')) || rest.endsWith(QLatin1Char('/'));
  if (trailing && !path.endsWith(QLatin1Char('/'))) {
    path.append(QLatin1Char('/'));
  }
  return path;
}
