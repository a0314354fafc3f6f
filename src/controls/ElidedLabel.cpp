// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/ElidedLabel.h"

#include <QMouseEvent>

#include <algorithm>

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setIndent(2);
}

void ElidedLabel::setWholeText(const QString& text) {
  if (text == whole_) {
    return;
  }
  whole_ = text;
  fit();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  fit();
}

void ElidedLabel::setClickable(bool clickable) {
  clickable_ = clickable;
  fit();
}

void ElidedLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) {
    return;
  }
  if (clickable_) {
    emit clicked();
  } else if (isCut()) {
    emit wholeTextWanted(whole_);
  }
}

int ElidedLabel::wholeWidth() const {
  return fontMetrics().horizontalAdvance(whole_) + 2 * frameWidth() + 2 * margin() + 2 * indent();
}

void ElidedLabel::fit() {
  const int room = contentsRect().width() - 2 * margin() - 2 * indent();
  setText(fontMetrics().elidedText(whole_, Qt::ElideRight, std::max(room, 0)));
  setToolTip(whole_);
  // A screen reader reads the whole text, not what fits on screen.
  setAccessibleName(whole_);
  setCursor(isCut() || clickable_ ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
