// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/Form.h"
#include "monitor/BatchHistory.h"
#include "monitor/BatchSave.h"
#include "monitor/BatchUndo.h"

class HistoryModel;
class MonitorSession;
class QLabel;
class QTreeView;
class XPButton;

// The saved batches, newest first: opens a batch's folder, and takes back the most recent batch
// whose folder is still there through the monitoring session.
class FrmLotes : public Form {
  Q_OBJECT
public:
  explicit FrmLotes(Forms& forms);

  void Form_Load() override;
  // The session that undoes batches and tells of new ones; the window lists without one.
  void follow(MonitorSession& session);
  // Reads the history again and fills the list.
  void refresh();

  void cmdabrir_Click();
  void cmddeshacer_Click();
  void cmdcerrar_Click() { close(); }

private:
  int selectedRow() const;
  void updateButtons();
  void showUndone(const UndoResult& result);

  QTreeView* lstlotes;
  QLabel* lblmonitor;
  QLabel* lblresultado;
  XPButton* cmdabrir;
  XPButton* cmddeshacer;
  XPButton* cmdcerrar;
  HistoryModel* model_;
  MonitorSession* session_ = nullptr;
  BatchHistory history_;
  int undoRow_ = -1;  // the newest batch whose folder is still there
  bool undoing_ = false;
};
