#include "monitor/WatchedList.h"

#include <QFile>

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
  names_.clear();
  starts_.clear();
  if (folder_.isEmpty()) {
    return;
  }
  visitMatchingFiles(folder_, pattern_, [this](const char* name) {
    starts_.push_back(names_.size());
    names_.append(name).push_back('\0');
  });
}

QString WatchedList::item(int index) const {
  return QFile::decodeName(names_.data() + starts_.at(index));
}

QStringList WatchedList::names() const {
  QStringList result;
  result.reserve(count());
  for (int i = 0; i < count(); ++i) {
    result.append(item(i));
  }
  return result;
}
