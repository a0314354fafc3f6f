// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/Labels.h"

#include <QLabel>

QLabel* makeBanner(const QRect& geometry, QWidget* parent) {
  auto* banner = new QLabel(parent);
  banner->setPixmap(QPixmap(QStringLiteral(":/banner.png")));
  banner->setGeometry(geometry);
  return banner;
}

QLabel* makeBoldLabel(const QString& text, const QRect& geometry, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont bold = label->font();
  bold.setBold(true);
  bold.setPointSizeF(8.25);
  label->setFont(bold);
  label->setGeometry(geometry);
  return label;
}
