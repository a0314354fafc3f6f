// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// One running copy of the program per user and settings file: a later start on the same file
// asks the running copy to come forward and ends; copies on other settings files run side by side.
class SingleInstance : public QObject {
  Q_OBJECT
public:
  explicit SingleInstance(const QString& settingsFile, QObject* parent = nullptr);

  // True when a copy already runs on the same settings file and was asked to come forward.
  // Otherwise this copy answers later starts from now on; when even that fails, it runs alone.
  bool handOver();

  // The local socket's path, in the user's runtime folder.
  static QString serverName(const QString& settingsFile);

signals:
  void activationRequested();

private:
  bool askRunningCopy() const;
  void answer();

  QString name_;
  QLocalServer server_;
};
