// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/XPButton.h"

XPButton::XPButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setAutoDefault(false);
}
