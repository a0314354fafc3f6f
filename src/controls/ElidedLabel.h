// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A one-line label that shows as much of its text as fits, ending in "…" when cut. The whole
// text is in its tooltip and its accessible name, and a click on a cut text asks for it whole,
// so that no part of it is out of reach for a user who does not hover or does not see. A
// clickable label sends its clicks instead.
class ElidedLabel : public QLabel {
  Q_OBJECT
public:
  explicit ElidedLabel(QWidget* parent);

  void setWholeText(const QString& text);
  const QString& wholeText() const { return whole_; }
  bool isCut() const { return text() != whole_; }
  // The width that shows the whole text.
  int wholeWidth() const;
  void setClickable(bool clickable);

signals:
  void wholeTextWanted(const QString& text);
  void clicked();

protected:
  void resizeEvent(QResizeEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  void fit();

  QString whole_;
  bool clickable_ = false;
};
