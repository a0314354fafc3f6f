// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Tells whether a drive holds a readable medium: set the drive, then read its readiness.
class DriveProbe {
public:
  virtual ~DriveProbe() = default;
  virtual void setDrive(const QString& drive) = 0;
  virtual bool ready() const = 0;
};

class StorageDriveProbe : public DriveProbe {
public:
  void setDrive(const QString& drive) override { drive_ = drive; }
  bool ready() const override;

private:
  QString drive_;
};
