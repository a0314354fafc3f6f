// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/FileList.h"

#include <QCollator>

#include <algorithm>

FileList::FileList(const QString& pattern, QWidget* parent)
    : QListWidget(parent), pattern_(pattern) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QListWidget::currentRowChanged, this, &FileList::selectionMoved);
}

void FileList::setFolder(const QString& folder) {
  folder_ = folder;
  QStringList names = matchingFiles(folder, pattern_);
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(names.begin(), names.end(), collator);
  // Refilling selects nothing and so says nothing.
  const QSignalBlocker quiet(this);
  clear();
  addItems(names);
  setCurrentRow(-1);
}

QString FileList::fileName() const {
  const QListWidgetItem* entry = currentItem();
  return entry != nullptr ? entry->text() : QString();
}

void FileList::selectFile(int index) {
  setCurrentRow(index);
}

void FileList::selectionMoved() {
  if (currentRow() >= 0) {
    emit fileClicked();
  }
}
