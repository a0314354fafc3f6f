// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BatchHistory.h"

#include <QAbstractTableModel>

// The saved batches as the views list them, newest first: date, batch and how many images, or
// when the batch was undone. A row is drawn from its record only when a view asks for it, so that
// a long history opens as fast as it is read.
class SavedBatches : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit SavedBatches(QString historyFile, QObject* parent = nullptr);

  // Reads the history again; the views start afresh.
  void reload();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  HistoryRecord record(int row) const { return history_.record(row); }
  QString folder(int row) const { return history_.folder(row); }
  bool undone(int row) const { return history_.undone(row) >= 0; }
  // A batch that stands and whose folder is there can be opened.
  bool canOpen(int row) const;
  // The batch an undo takes, -1 when none.
  int undoRow() const { return undoRow_; }
  // Why the history could not be read, for the user; empty when it was.
  QString problem() const;

private:
  QString file_;
  BatchHistory history_;
  int undoRow_ = -1;
};
