// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/FilePattern.h"

#include <QListWidget>

// A file list: the plain files of one folder that match a fixed pattern, sorted by name. Its
// click notification comes whenever the selection changes, by mouse, keyboard or program.
class FileList : public QListWidget {
  Q_OBJECT
public:
  FileList(const QString& pattern, QWidget* parent);

  void setFolder(const QString& folder);
  QString folder() const { return folder_; }
  // The selected file's name, without folder; empty when nothing is selected.
  QString fileName() const;
  void selectFile(int index);

signals:
  void fileClicked();

private:
  void selectionMoved();

  FilePattern pattern_;
  QString folder_;
};
