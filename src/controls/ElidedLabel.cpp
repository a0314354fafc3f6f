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

void ElidedLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && isCut()) {
    emit wholeTextWanted(whole_);
  }
}

void ElidedLabel::fit() {
  const int room = contentsRect().width() - 2 * margin() - 2 * indent();
  setText(fontMetrics().elidedText(whole_, Qt::ElideRight, std::max(room, 0)));
  setToolTip(whole_);
  setCursor(isCut() ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
