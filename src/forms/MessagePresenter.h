// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// The one way windows show a modal message, so tests can read what would have been shown. A box
// over a window is kept above it; without one, or over a window out of sight, it is centred on
// the screen.
class MessagePresenter {
public:
  virtual ~MessagePresenter() = default;
  // A box with a title of its own, the critical icon and one OK button.
  virtual void critical(const QString& title, const QString& text, QWidget* over) = 0;
  // A box with one OK button, no icon and the program's own default title.
  virtual void plain(const QString& text, QWidget* over) = 0;
  // A question with "Sí" and "No" under the program's title: true for "Sí".
  virtual bool ask(const QString& text, QWidget* over) = 0;

  void critical(const QString& title, const QString& text) { critical(title, text, nullptr); }
  void plain(const QString& text) { plain(text, nullptr); }
};

class QtMessagePresenter : public MessagePresenter {
public:
  using MessagePresenter::critical;
  using MessagePresenter::plain;
  void critical(const QString& title, const QString& text, QWidget* over) override;
  void plain(const QString& text, QWidget* over) override;
  bool ask(const QString& text, QWidget* over) override;
};
