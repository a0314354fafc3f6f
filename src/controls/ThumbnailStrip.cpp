// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/ThumbnailStrip.h"

#include <QAbstractListModel>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <vector>

namespace {

constexpr int margin = 4;
constexpr int cellRole = Qt::UserRole;

}  // namespace

class StripModel : public QAbstractListModel {
public:
  using QAbstractListModel::QAbstractListModel;

  struct Entry {
    QString name;
    QString tooltip;
    ThumbnailStrip::Cell cell = ThumbnailStrip::Cell::Waiting;
    QImage picture;
  };

  void reset(const QStringList& names) {
    beginResetModel();
    entries_.clear();
    for (const QString& name : names) {
      entries_.push_back({name, name, ThumbnailStrip::Cell::Waiting, {}});
    }
    endResetModel();
  }

  // A cell without a tooltip of its own shows its name.
  void set(int row, ThumbnailStrip::Cell cell, QImage picture, const QString& tooltip = {}) {
    if (row < 0 || row >= rowCount({})) {
      return;
    }
    Entry& entry = entries_[static_cast<std::size_t>(row)];
    entry.cell = cell;
    entry.picture = std::move(picture);
    entry.tooltip = tooltip.isEmpty() ? entry.name : tooltip;
    emit dataChanged(index(row), index(row));
  }

  const Entry& at(int row) const { return entries_.at(static_cast<std::size_t>(row)); }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    const Entry& entry = at(index.row());
    switch (role) {
      case Qt::ToolTipRole:
        return entry.tooltip;
      case Qt::AccessibleTextRole:
        return entry.name;
      case Qt::DecorationRole:
        return entry.picture;
      case cellRole:
        return static_cast<int>(entry.cell);
      default:
        return {};
    }
  }

  qsizetype heldBytes() const {
    qsizetype bytes = 0;
    for (const Entry& entry : entries_) {
      bytes += entry.picture.sizeInBytes();
    }
    return bytes;
  }

private:
  std::vector<Entry> entries_;
};

namespace {

// Each cell is a square as large as the largest thumbnail, with its picture in the middle.
class CellDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {ThumbnailStrip::edge + 2 * margin, ThumbnailStrip::edge + 2 * margin};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem panel = option;
    const QWidget* view = option.widget;
    view->style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, view);
    const QPoint centre = option.rect.center();
    const auto cell = static_cast<ThumbnailStrip::Cell>(index.data(cellRole).toInt());
    if (cell == ThumbnailStrip::Cell::Picture) {
      const QImage picture = index.data(Qt::DecorationRole).value<QImage>();
      QRect target(QPoint(), picture.size());
      target.moveCenter(centre);
      painter->drawImage(target, picture);
    } else if (cell == ThumbnailStrip::Cell::Placeholder) {
      QRect box(0, 0, ThumbnailStrip::edge * 3 / 4, ThumbnailStrip::edge * 9 / 16);
      box.moveCenter(centre);
      painter->fillRect(box, QColor(200, 200, 200));
      painter->setPen(QColor(150, 150, 150));
      painter->drawRect(box.adjusted(0, 0, -1, -1));
    }
    if ((option.state & QStyle::State_HasFocus) != 0) {
      QStyleOptionFocusRect focus;
      focus.QStyleOption::operator=(option);
      focus.rect = option.rect.adjusted(1, 1, -1, -1);
      view->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view);
    }
  }
};

}  // namespace

ThumbnailStrip::ThumbnailStrip(QWidget* parent) : QListView(parent), model_(new StripModel(this)) {
  setModel(model_);
  setItemDelegate(new CellDelegate(this));
  setFlow(QListView::LeftToRight);
  setWrapping(false);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  horizontalScrollBar()->setSingleStep(edge / 4);
  // One row of cells and the scroll bar, inside the frame.
  setFixedHeight(edge + 2 * margin + horizontalScrollBar()->sizeHint().height() + 2 * frameWidth());
  connect(this, &QListView::activated, this,
          [this](const QModelIndex& index) { emit opened(index.row()); });
}

void ThumbnailStrip::setNames(const QStringList& names) {
  model_->reset(names);
  horizontalScrollBar()->setValue(0);
}

void ThumbnailStrip::setPicture(int index, const QImage& picture) {
  QImage kept = picture;
  if (kept.width() > edge || kept.height() > edge) {
    kept = kept.scaled(edge, edge, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  if (kept.depth() > 32) {
    kept = kept.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  model_->set(index, Cell::Picture, std::move(kept));
}

void ThumbnailStrip::setPlaceholder(int index, const QString& tooltip) {
  model_->set(index, Cell::Placeholder, {}, tooltip);
}

ThumbnailStrip::Cell ThumbnailStrip::cell(int index) const {
  return model_->at(index).cell;
}

QImage ThumbnailStrip::picture(int index) const {
  return model_->at(index).picture;
}

qsizetype ThumbnailStrip::heldBytes() const {
  return model_->heldBytes();
}
