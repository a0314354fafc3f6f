// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>

// A folder list: the open folder's ancestors from the root down, the open folder itself, and
// its sub-folders (hidden ones left out, but for Wine prefixes), indented by depth. The path
// changes only when a folder is opened (double-click or Enter) or set; highlighting an entry does
// not change it.
class FolderList : public QListWidget {
  Q_OBJECT
public:
  explicit FolderList(QWidget* parent);

  QString path() const { return path_; }
  // Opens the folder. A folder that does not exist leaves the list as it was and gives false.
  bool setPath(const QString& path);
  int subfolderCount() const { return subfolderCount_; }
  // The folder an entry stands for.
  QString folderAt(int row) const;

signals:
  void pathChanged();

protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void fill();
  void addEntry(const QString& folder, const QString& label, int depth);

  QString path_;
  int subfolderCount_ = 0;
};

// The sub-folders of a folder by name, hidden ones left out but for Wine prefixes (a folder
// holding drive_c), in the order a folder list shows.
QStringList visibleSubfolders(const QString& folder);
