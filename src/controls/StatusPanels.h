// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <array>

class ElidedLabel;

// A status bar with three text panels, numbered 1 to 3. The first two are as wide as the texts
// they show, so that those always show whole; the third takes the rest and shows as much of
// its text as fits, the whole in its tooltip.
class StatusPanels : public QWidget {
  Q_OBJECT
public:
  explicit StatusPanels(QWidget* parent);

  void setPanel(int number, const QString& text);
  // The whole text, shown or not.
  QString panel(int number) const;
  // Whether the panel shows its whole text.
  bool showsWhole(int number) const;

private:
  std::array<ElidedLabel*, 3> panels_{};
};
