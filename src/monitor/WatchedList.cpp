// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/WatchedList.h"

#include <functional>

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
  return QString::fromUtf8(names_.data() + starts_.at(index));
}

std::vector<QByteArray> WatchedList::names() const {
  std::vector<QByteArray> result;
  result.reserve(starts_.size());
  for (const std::size_t start : starts_) {
    result.emplace_back(names_.data() + start);
  }
  return result;
}

std::size_t WatchedList::signature() const {
  return std::hash<std::string>{}(names_);
}
