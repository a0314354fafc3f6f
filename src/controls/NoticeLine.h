// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/ElidedLabel.h"

#include <QTimer>

// A line of its own for notices, so that they never cover the status panels. A passing notice
// fades after a while unless it is given again; a standing one stays until it is ended, shown
// whenever no passing notice is. A cut notice is read whole with a click; a notice that tells
// of a folder opens it with a click.
class NoticeLine : public ElidedLabel {
  Q_OBJECT
public:
  explicit NoticeLine(QWidget* parent);

  // An empty text clears the passing notice. A folder given makes the notice a way to it.
  void showNotice(const QString& text, const QString& folder = {});
  // An empty text ends the standing notice.
  void setStanding(const QString& text);
  QString notice() const { return wholeText(); }

signals:
  void folderWanted(const QString& folder);

private:
  void showCurrent();

  QTimer fade_{this};
  QString passing_;
  QString folder_;
  QString standing_;
};
