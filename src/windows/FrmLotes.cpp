// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmLotes.h"

#include "controls/XPButton.h"
#include "forms/AppContext.h"
#include "monitor/Messages.h"
#include "monitor/MonitorSession.h"
#include "monitor/SavedBatches.h"
#include "windows/BatchPictures.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeView>

FrmLotes::FrmLotes(Forms& forms) : Form(forms) {
  setWindowTitle(QStringLiteral("Lotes guardados"));
  setProgramIcon();
  setClientSize(440, 486);

  lstlotes = named("lstlotes", new QTreeView(this));
  lstlotes->setGeometry(8, 8, 424, 196);
  lstlotes->setRootIsDecorated(false);
  lstlotes->setUniformRowHeights(true);
  lstlotes->setAllColumnsShowFocus(true);
  lstlotes->setSelectionMode(QAbstractItemView::SingleSelection);

  // The selected batch's pictures, under the list.
  imagenes = named("imagenes", new BatchPictures(this));
  imagenes->setGeometry(8, 210, 424, 176);

  lblmonitor = named("lblmonitor", new QLabel(this));
  lblmonitor->setGeometry(8, 392, 424, 17);
  lblresultado = named("lblresultado", new QLabel(this));
  lblresultado->setGeometry(8, 410, 424, 34);
  lblresultado->setWordWrap(true);
  lblresultado->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  cmdabrir = named("cmdabrir", new XPButton(QStringLiteral("&Abrir carpeta"), this));
  cmdabrir->setGeometry(8, 448, 113, 30);
  cmddeshacer = named("cmddeshacer", new XPButton(QStringLiteral("&Deshacer"), this));
  cmddeshacer->setGeometry(129, 448, 113, 30);
  cmdcerrar = named("cmdcerrar", new XPButton(QStringLiteral("&Cerrar"), this));
  cmdcerrar->setGeometry(319, 448, 113, 30);
  setFocusOrder({lstlotes, imagenes, cmdabrir, cmddeshacer, cmdcerrar});

  connect(cmdabrir, &XPButton::clicked, this, &FrmLotes::cmdabrir_Click);
  connect(cmddeshacer, &XPButton::clicked, this, &FrmLotes::cmddeshacer_Click);
  connect(cmdcerrar, &XPButton::clicked, this, &FrmLotes::cmdcerrar_Click);
}

void FrmLotes::follow(MonitorSession& session) {
  if (session_ == &session) {
    return;
  }
  session_ = &session;
  connect(&session, &MonitorSession::undone, this, &FrmLotes::showUndone);
  setModel(session.batches());
  session.batches().reload();
}

void FrmLotes::setModel(SavedBatches& batches) {
  batches_ = &batches;
  lstlotes->setModel(&batches);
  lstlotes->header()->setStretchLastSection(false);
  lstlotes->header()->resizeSection(0, 125);
  lstlotes->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  lstlotes->header()->resizeSection(2, 140);
  connect(lstlotes->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &FrmLotes::updateButtons);
  connect(lstlotes->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &FrmLotes::showPictures);
  connect(&batches, &SavedBatches::modelReset, this, &FrmLotes::showBatches);
  showBatches();
}

// The batch an undo would take is selected, or the newest.
void FrmLotes::showBatches() {
  if (batches_->rowCount() == 0) {
    const QString problem = batches_->problem();
    lblresultado->setText(problem.isEmpty() ? noBatchesYet() : problem);
    saidEmpty_ = true;
  } else {
    if (saidEmpty_) {
      lblresultado->clear();
      saidEmpty_ = false;
    }
    lstlotes->setCurrentIndex(batches_->index(std::max(batches_->undoRow(), 0), 0));
  }
  updateButtons();
}

// The selected batch's pictures, under the list; an undone batch has none to show.
void FrmLotes::showPictures() {
  const int row = selectedRow();
  if (row >= 0 && batches_->undone(row)) {
    imagenes->showUndone();
    return;
  }
  const HistoryRecord record = row >= 0 ? batches_->record(row) : HistoryRecord();
  imagenes->showBatch(record.folder, record.names);
}

int FrmLotes::selectedRow() const {
  const QModelIndex current = lstlotes->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void FrmLotes::updateButtons() {
  const int row = selectedRow();
  cmdabrir->setEnabled(batches_ && batches_->canOpen(row));
  cmddeshacer->setEnabled(session_ && !undoing_ && row >= 0 && row == batches_->undoRow());
}

void FrmLotes::cmdabrir_Click() {
  const int row = selectedRow();
  if (batches_ && batches_->canOpen(row)) {
    openFolder(batches_->folder(row));
  }
}

void FrmLotes::cmddeshacer_Click() {
  const int row = selectedRow();
  if (!session_ || row < 0 || row != batches_->undoRow()) {
    return;
  }
  if (!session_->undo(batches_->record(row))) {
    lblresultado->setText(undoWhileSaving());
    return;
  }
  lblmonitor->setText(monitoringStoppedForUndo());
  lblresultado->clear();
  undoing_ = true;
  updateButtons();
}

// The session has read the history again by now: an undone batch shows as such.
void FrmLotes::showUndone(const UndoResult& result) {
  undoing_ = false;
  updateButtons();
  lblresultado->setText(undoReport(result));
}
