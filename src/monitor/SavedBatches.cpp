// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/SavedBatches.h"

#include "fs/RecordFile.h"
#include "monitor/Messages.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>

namespace {

QString moment(qint64 seconds, const QString& format) {
  return QDateTime::fromSecsSinceEpoch(seconds).toString(format);
}

}  // namespace

SavedBatches::SavedBatches(QString historyFile, QObject* parent)
    : QAbstractTableModel(parent), file_(std::move(historyFile)) {}

void SavedBatches::reload() {
  beginResetModel();
  history_ = BatchHistory::read(file_);
  undoRow_ = static_cast<int>(newestExistingBatch(history_));
  endResetModel();
}

int SavedBatches::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(history_.size());
}

int SavedBatches::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

// An undone batch is drawn greyed, as a disabled item is, with the moment of its undo.
QVariant SavedBatches::data(const QModelIndex& index, int role) const {
  const int row = index.row();
  const qint64 undone = history_.undone(row);
  if (role == Qt::ForegroundRole) {
    return undone < 0 ? QVariant()
                      : QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
    return {};
  }
  switch (index.column()) {
    case 0:
      return moment(history_.seconds(row), QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    case 1:
      return role == Qt::ToolTipRole ? history_.folder(row)
                                     : QFileInfo(history_.folder(row)).fileName();
    default:
      if (undone < 0) {
        return imageCount(history_.files(row));
      }
      return role == Qt::ToolTipRole
                 ? moment(undone, QStringLiteral("'Deshecho el' dd/MM/yyyy 'a las' HH:mm:ss"))
                 : moment(undone, QStringLiteral("'deshecho' dd/MM HH:mm"));
  }
}

QVariant SavedBatches::headerData(int section, Qt::Orientation orientation, int role) const {
  static const QString titles[] = {QStringLiteral("Fecha"), QStringLiteral("Lote"),
                                   QStringLiteral("Imágenes")};
  return orientation == Qt::Horizontal && role == Qt::DisplayRole ? titles[section] : QVariant();
}

bool SavedBatches::canOpen(int row) const {
  return row >= 0 && row < rowCount() && history_.undone(row) < 0 &&
         QFileInfo(history_.folder(row)).isDir();
}

QString SavedBatches::problem() const {
  return history_.error() == 0 ? QString()
                               : historyUnreadable(recordFileProblem(history_.error()), file_);
}
