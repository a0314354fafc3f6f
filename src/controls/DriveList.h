// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

// A drop-down list of the machine's drives: the mounted volumes, each named by its root path.
// It starts on the drive that holds the current working directory.
class DriveList : public QComboBox {
  Q_OBJECT
public:
  explicit DriveList(QWidget* parent);

  QString drive() const { return currentText(); }
  // A drive that is not listed (unmounted since, or not a volume at all) is added, so the list
  // always shows what it was told.
  void setDrive(const QString& drive);

signals:
  void driveChanged();
};

// The root paths of the mounted volumes, without repeats, in order.
QStringList mountedDrives();
