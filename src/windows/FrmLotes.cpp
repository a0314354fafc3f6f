// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmLotes.h"

#include "controls/XPButton.h"
#include "forms/AppContext.h"
#include "monitor/Messages.h"
#include "monitor/MonitorSession.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>

// The history as the list shows it: a row is drawn from its record only when the view asks for
// it, so that a long history opens as fast as it is read.
class HistoryModel : public QAbstractTableModel {
public:
  explicit HistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

  void setHistory(const BatchHistory* history) {
    beginResetModel();
    history_ = history;
    endResetModel();
  }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() || !history_ ? 0 : static_cast<int>(history_->size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
      return {};
    }
    const int row = index.row();
    switch (index.column()) {
      case 0:
        return QDateTime::fromSecsSinceEpoch(history_->seconds(row))
            .toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
      case 1:
        return role == Qt::ToolTipRole ? history_->folder(row)
                                       : QFileInfo(history_->folder(row)).fileName();
      default:
        return imageCount(history_->files(row));
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static const QString titles[] = {QStringLiteral("Fecha"), QStringLiteral("Lote"),
                                     QStringLiteral("Imágenes")};
    return orientation == Qt::Horizontal && role == Qt::DisplayRole ? titles[section] : QVariant();
  }

private:
  const BatchHistory* history_ = nullptr;
};

FrmLotes::FrmLotes(Forms& forms) : Form(forms) {
  setWindowTitle(QStringLiteral("Lotes guardados"));
  setProgramIcon();
  setClientSize(440, 304);

  lstlotes = named("lstlotes", new QTreeView(this));
  lstlotes->setGeometry(8, 8, 424, 196);
  lstlotes->setRootIsDecorated(false);
  lstlotes->setUniformRowHeights(true);
  lstlotes->setAllColumnsShowFocus(true);
  lstlotes->setSelectionMode(QAbstractItemView::SingleSelection);
  model_ = new HistoryModel(this);
  lstlotes->setModel(model_);
  lstlotes->header()->setStretchLastSection(false);
  lstlotes->header()->resizeSection(0, 140);
  lstlotes->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  lstlotes->header()->resizeSection(2, 90);

  lblmonitor = named("lblmonitor", new QLabel(this));
  lblmonitor->setGeometry(8, 210, 424, 17);
  lblresultado = named("lblresultado", new QLabel(this));
  lblresultado->setGeometry(8, 228, 424, 34);
  lblresultado->setWordWrap(true);
  lblresultado->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  cmdabrir = named("cmdabrir", new XPButton(QStringLiteral("&Abrir carpeta"), this));
  cmdabrir->setGeometry(8, 266, 113, 30);
  cmddeshacer = named("cmddeshacer", new XPButton(QStringLiteral("&Deshacer"), this));
  cmddeshacer->setGeometry(129, 266, 113, 30);
  cmdcerrar = named("cmdcerrar", new XPButton(QStringLiteral("&Cerrar"), this));
  cmdcerrar->setGeometry(319, 266, 113, 30);
  setFocusOrder({lstlotes, cmdabrir, cmddeshacer, cmdcerrar});

  connect(cmdabrir, &XPButton::clicked, this, &FrmLotes::cmdabrir_Click);
  connect(cmddeshacer, &XPButton::clicked, this, &FrmLotes::cmddeshacer_Click);
  connect(cmdcerrar, &XPButton::clicked, this, &FrmLotes::cmdcerrar_Click);
  connect(lstlotes->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &FrmLotes::updateButtons);
}

void FrmLotes::Form_Load() {
  refresh();
}

void FrmLotes::follow(MonitorSession& session) {
  if (session_ == &session) {
    return;
  }
  session_ = &session;
  connect(&session, &MonitorSession::historyChanged, this, &FrmLotes::refresh);
  connect(&session, &MonitorSession::undone, this, &FrmLotes::showUndone);
  updateButtons();
}

void FrmLotes::refresh() {
  history_ = BatchHistory::read(context().historyFile);
  model_->setHistory(&history_);
  undoRow_ = static_cast<int>(newestExistingBatch(history_));
  if (history_.empty()) {
    lblresultado->setText(noBatchesYet());
  } else {
    lstlotes->setCurrentIndex(model_->index(std::max(undoRow_, 0), 0));
  }
  updateButtons();
}

int FrmLotes::selectedRow() const {
  const QModelIndex current = lstlotes->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void FrmLotes::updateButtons() {
  const int row = selectedRow();
  cmdabrir->setEnabled(row >= 0 && QFileInfo(history_.folder(row)).isDir());
  cmddeshacer->setEnabled(session_ && !undoing_ && row >= 0 && row == undoRow_);
}

void FrmLotes::cmdabrir_Click() {
  const int row = selectedRow();
  if (row >= 0) {
    openFolder(history_.folder(row));
  }
}

void FrmLotes::cmddeshacer_Click() {
  if (!session_ || undoRow_ < 0 || selectedRow() != undoRow_) {
    return;
  }
  const HistoryRecord record = history_.record(undoRow_);
  if (!session_->undo(record.folder, record.names)) {
    lblresultado->setText(undoWhileSaving());
    return;
  }
  lblmonitor->setText(monitoringStoppedForUndo());
  lblresultado->clear();
  undoing_ = true;
  updateButtons();
}

void FrmLotes::showUndone(const SaveResult& result) {
  undoing_ = false;
  refresh();
  lblresultado->setText(undoReport(result));
}
