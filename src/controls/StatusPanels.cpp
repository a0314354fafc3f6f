// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/StatusPanels.h"

#include <QLabel>

namespace {
constexpr int noticeMilliseconds = 15000;
}

StatusPanels::StatusPanels(const std::array<int, 3>& widths, QWidget* parent) : QStatusBar(parent) {
  setSizeGripEnabled(false);
  connect(this, &QStatusBar::messageChanged, this, [this](const QString& message) {
    if (message.isEmpty()) {
      setToolTip({});
    }
  });
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    auto* label = new QLabel(this);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setFixedWidth(widths[i]);
    addWidget(label);
    panels_[i] = label;
  }
}

void StatusPanels::setPanel(int number, const QString& text) {
  panels_.at(number - 1)->setText(text);
}

QString StatusPanels::panel(int number) const {
  return panels_.at(number - 1)->text();
}

// A notice longer than the bar is cut; its whole text stays a pointer's rest away.
void StatusPanels::showNotice(const QString& text) {
  showMessage(text, noticeMilliseconds);
  setToolTip(text);
}
