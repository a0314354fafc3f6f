// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

// A status bar with three text panels, numbered 1 to 3, and a passing notice that covers them
// for a while without blocking anyone.
class StatusPanels : public QStatusBar {
  Q_OBJECT
public:
  StatusPanels(const std::array<int, 3>& widths, QWidget* parent);

  void setPanel(int number, const QString& text);
  QString panel(int number) const;

  void showNotice(const QString& text);
  QString notice() const { return currentMessage(); }

private:
  std::array<QLabel*, 3> panels_{};
};
