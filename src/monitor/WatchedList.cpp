#include "monitor/WatchedList.h"

void WatchedList::setFolder(const QString& folder) {
  folder_ = folder;
  refresh();
}

void WatchedList::setPattern(const QString& pattern) {
  patternText_ = pattern;
  pattern_ = FilePattern(pattern);
  refresh();
}

void WatchedList::refresh() {
  names_ = folder_.isEmpty() ? QStringList() : matchingFiles(folder_, pattern_, names_.size());
}
