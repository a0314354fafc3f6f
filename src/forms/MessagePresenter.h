// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The one way windows show a modal message, so tests can read what would have been shown.
class MessagePresenter {
public:
  virtual ~MessagePresenter() = default;
  // A box with a title of its own, the critical icon and one OK button.
  virtual void critical(const QString& title, const QString& text) = 0;
  // A box with one OK button, no icon and the program's own default title.
  virtual void plain(const QString& text) = 0;
};

class QtMessagePresenter : public MessagePresenter {
public:
  void critical(const QString& title, const QString& text) override;
  void plain(const QString& text) override;
};
