// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/ElidedLabel.h"

#include <QTimer>

// A line of its own for passing notices, so that they never cover the status panels. A notice
// fades after a while unless it is given again; a cut one is read whole with a click.
class NoticeLine : public ElidedLabel {
  Q_OBJECT
public:
  explicit NoticeLine(QWidget* parent);

  // An empty text clears the line.
  void showNotice(const QString& text);
  QString notice() const { return wholeText(); }

private:
  QTimer fade_{this};
};
