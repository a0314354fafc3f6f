// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/FittedLabel.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

void fitText(QLabel* label) {
  constexpr qreal smallest = 6;
  constexpr qreal step = 0.5;
  QFont font = label->font();
  const QRect area(QPoint(), label->size());
  while (font.pointSizeF() - step >= smallest) {
    const QRect needed =
        QFontMetrics(font).boundingRect(area, Qt::TextWordWrap | Qt::AlignLeft, label->text());
    if (needed.height() <= area.height() && needed.width() <= area.width()) {
      break;
    }
    font.setPointSizeF(font.pointSizeF() - step);
  }
  label->setFont(font);
}

}  // namespace

QLabel* makeFittedLabel(const QString& text, const QRect& geometry, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(geometry);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  fitText(label);
  return label;
}
