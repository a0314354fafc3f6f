// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/StatusPanels.h"

#include "controls/ElidedLabel.h"

#include <QHBoxLayout>

StatusPanels::StatusPanels(const std::array<QString, 2>& widestTexts, QWidget* parent)
    : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(1, 0, 1, 0);
  row->setSpacing(2);
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    auto* label = new ElidedLabel(this);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    if (i < widestTexts.size()) {
      const QFontMetrics metrics = label->fontMetrics();
      const int spare =
          2 * label->frameWidth() + 2 * label->indent() + metrics.averageCharWidth() / 2;
      label->setFixedWidth(metrics.horizontalAdvance(widestTexts[i]) + spare);
      row->addWidget(label);
    } else {
      label->setMinimumWidth(0);
      row->addWidget(label, 1);
    }
    panels_[i] = label;
  }
}

void StatusPanels::setPanel(int number, const QString& text) {
  panels_.at(number - 1)->setWholeText(text);
}

QString StatusPanels::panel(int number) const {
  return panels_.at(number - 1)->wholeText();
}

bool StatusPanels::showsWhole(int number) const {
  return !panels_.at(number - 1)->isCut();
}
