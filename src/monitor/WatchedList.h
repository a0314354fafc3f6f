#pragma once

#include "controls/FilePattern.h"

#include <QString>
#include <QStringList>

// The main window's list of watched files: a snapshot of the plain files of one folder that
// match the pattern. It changes only when refreshed or when its folder or pattern is set.
class WatchedList {
public:
  void setFolder(const QString& folder);
  QString folder() const { return folder_; }
  void setPattern(const QString& pattern);
  QString pattern() const { return patternText_; }

  void refresh();
  int count() const { return static_cast<int>(names_.size()); }
  QString item(int index) const { return names_.at(index); }
  const QStringList& names() const { return names_; }

private:
  QString folder_;
  QString patternText_;
  FilePattern pattern_;
  QStringList names_;
};
