// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/MessagePresenter.h"

#include "forms/MessageBox.h"

namespace {

const QString programTitle = QStringLiteral("Varndel");

int run(MessageBox::Kind kind, const QString& title, const QString& text, QWidget* over) {
  MessageBox box(kind, title, text, over && over->isVisible() ? over : nullptr);
  return box.exec();
}

}  // namespace

void QtMessagePresenter::critical(const QString& title, const QString& text, QWidget* over) {
  run(MessageBox::Kind::Critical, title, text, over);
}

void QtMessagePresenter::plain(const QString& text, QWidget* over) {
  run(MessageBox::Kind::Plain, programTitle, text, over);
}

bool QtMessagePresenter::ask(const QString& text, QWidget* over) {
  return run(MessageBox::Kind::Question, programTitle, text, over) == QDialog::Accepted;
}
