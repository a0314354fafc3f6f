// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

// The push button of every window: a caption with an "&" mnemonic, an enabled flag and a press
// notification (clicked), which a disabled button never gives.
class XPButton : public QPushButton {
  Q_OBJECT
public:
  XPButton(const QString& caption, QWidget* parent);
};
