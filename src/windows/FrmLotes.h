// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/Form.h"
#include "monitor/BatchSave.h"
#include "monitor/BatchUndo.h"

class MonitorSession;
class BatchPictures;
class QLabel;
class QTreeView;
class SavedBatches;
class XPButton;

// The saved batches, newest first: opens a batch's folder, and takes back the most recent batch
// that stands and whose folder is still there through the monitoring session. The list is the
// session's (SavedBatches); the window only shows it.
class FrmLotes : public Form {
  Q_OBJECT
public:
  explicit FrmLotes(Forms& forms);

  // The session that undoes batches and keeps their list; the history is read again for the
  // window, which may come after another copy of the program added to it.
  void follow(MonitorSession& session);
  // The list shown; without a session nothing can be undone.
  void setModel(SavedBatches& batches);

  void cmdabrir_Click();
  void cmddeshacer_Click();
  void cmdcerrar_Click() { close(); }

private:
  int selectedRow() const;
  void showBatches();
  void updateButtons();
  void showPictures();
  void showUndone(const UndoResult& result);

  QTreeView* lstlotes;
  BatchPictures* imagenes;
  QLabel* lblmonitor;
  QLabel* lblresultado;
  XPButton* cmdabrir;
  XPButton* cmddeshacer;
  XPButton* cmdcerrar;
  SavedBatches* batches_ = nullptr;
  MonitorSession* session_ = nullptr;
  bool undoing_ = false;
  bool saidEmpty_ = false;  // the result line tells that nothing is listed
};
