// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/MessagePresenter.h"

#include <QMessageBox>

void QtMessagePresenter::critical(const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
  box.exec();
}

void QtMessagePresenter::plain(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Varndel"), text, QMessageBox::Ok);
  box.exec();
}
