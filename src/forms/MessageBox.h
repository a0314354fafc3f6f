// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QTextEdit;

// A modal message box: an icon, the text and its buttons. The text wraps at spaces, and inside
// a word (a long path) where it must, so that none of it runs off the box; it can be selected
// and copied whole. Over a window it is that window's dialog, kept above it and centred on it.
class MessageBox : public QDialog {
  Q_OBJECT
public:
  enum class Kind {
    Plain,     // no icon, one OK button
    Critical,  // the critical icon, one OK button
    Question,  // the question icon, "Sí" and "No"
  };

  MessageBox(Kind kind, const QString& title, const QString& text, QWidget* over);

  QTextEdit* textView() const { return text_; }

private:
  void fitText(const QString& text);

  QTextEdit* text_;
};
