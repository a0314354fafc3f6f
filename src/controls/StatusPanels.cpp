// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/StatusPanels.h"

#include "controls/ElidedLabel.h"

#include <QHBoxLayout>

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(1, 0, 1, 0);
  row->setSpacing(2);
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    auto* label = new ElidedLabel(this);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(0);
    row->addWidget(label, i + 1 < panels_.size() ? 0 : 1);
    panels_[i] = label;
  }
}

// The pattern's panel gets what the state and the count leave: sized for the widest state and
// count they could show, the pattern's would be too narrow for the shortest usual one.
void StatusPanels::setPanel(int number, const QString& text) {
  ElidedLabel* label = panels_.at(number - 1);
  label->setWholeText(text);
  const int width = label->wholeWidth() + label->fontMetrics().averageCharWidth() / 2;
  if (number < 3 && width != label->width()) {
    label->setFixedWidth(width);
    layout()->activate();
  }
}

QString StatusPanels::panel(int number) const {
  return panels_.at(number - 1)->wholeText();
}

bool StatusPanels::showsWhole(int number) const {
  return !panels_.at(number - 1)->isCut();
}
