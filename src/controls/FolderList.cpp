// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/FolderList.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

namespace {

constexpr int folderRole = Qt::UserRole;
constexpr int indentPerLevel = 4;  // spaces
constexpr int iconSide = 16;

// The folder and each of its ancestors, root first.
QStringList chainOf(const QString& folder) {
  QStringList chain;
  QDir dir(folder);
  chain.prepend(dir.absolutePath());
  while (dir.cdUp()) {
    chain.prepend(dir.absolutePath());
  }
  return chain;
}

QString displayName(const QString& folder) {
  const QString name = QFileInfo(folder).fileName();
  return name.isEmpty() ? folder : name;
}

}  // namespace

// A Wine prefix is hidden (~/.wine), yet it holds the simulator's drive: it is shown.
QStringList visibleSubfolders(const QString& folder) {
  const QDir dir(folder);
  QStringList shown = dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                                    QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
  shown.removeIf([&dir](const QString& name) {
    return name.startsWith(QLatin1Char('.')) &&
           !QFileInfo(dir.filePath(name + QStringLiteral("/drive_c"))).isDir();
  });
  return shown;
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(iconSide, iconSide));
  setPath(QDir::currentPath());
}

bool FolderList::setPath(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isDir()) {
    return false;
  }
  const QString target = QDir::cleanPath(info.absoluteFilePath());
  const bool changed = target != path_;
  path_ = target;
  fill();
  if (changed) {
    emit pathChanged();
  }
  return true;
}

QString FolderList::folderAt(int row) const {
  const QListWidgetItem* entry = item(row);
  return entry ? entry->data(folderRole).toString() : QString();
}

void FolderList::fill() {
  clear();
  const QStringList chain = chainOf(path_);
  for (int depth = 0; depth < chain.size(); ++depth) {
    addEntry(chain[depth], displayName(chain[depth]), depth);
  }
  const int openRow = count() - 1;
  const QDir open(path_);
  const QStringList subfolders = visibleSubfolders(path_);
  for (const QString& name : subfolders) {
    addEntry(open.filePath(name), name, static_cast<int>(chain.size()));
  }
  subfolderCount_ = static_cast<int>(subfolders.size());
  setCurrentRow(openRow);
}

void FolderList::addEntry(const QString& folder, const QString& label, int depth) {
  const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
  auto* entry =
      new QListWidgetItem(icon, QString(depth * indentPerLevel, QLatin1Char(' ')) + label, this);
  entry->setData(folderRole, folder);
  entry->setToolTip(folder);
}

void FolderList::mouseDoubleClickEvent(QMouseEvent* event) {
  // Opening rebuilds the list, so nothing of the base class may touch the clicked entry after.
  if (const QListWidgetItem* entry = itemAt(event->position().toPoint())) {
    setPath(entry->data(folderRole).toString());
    event->accept();
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
    setPath(currentItem()->data(folderRole).toString());
    event->accept();
    return;
  }
  QListWidget::keyPressEvent(event);
}
