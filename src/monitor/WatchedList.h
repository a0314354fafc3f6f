// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/FilePattern.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// The monitoring session's list of watched files: a snapshot of the plain files of one folder that
// match the pattern. It changes only when refreshed or when its folder or pattern is set.
class WatchedList {
public:
  void setFolder(const QString& folder);
  QString folder() const { return folder_; }
  void setPattern(const QString& pattern);
  QString pattern() const { return patternText_; }

  void refresh();
  int count() const { return static_cast<int>(starts_.size()); }
  QString item(int index) const;          // as the user reads it
  std::vector<QByteArray> names() const;  // as the folder spells them
  // Changes whenever the listed names change, so that a save that failed is not tried again
  // on the same list.
  std::size_t signature() const;

private:
  QString folder_;
  QString patternText_;
  FilePattern pattern_;
  // The names as the folder spells them, each ended by a NUL: refreshed every 500 ms while
  // monitoring, so kept in one buffer whose room is reused, and decoded only when asked for.
  std::string names_;
  std::vector<std::size_t> starts_;
};
