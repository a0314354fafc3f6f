// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/Form.h"

#include "forms/Forms.h"
#include "forms/MessagePresenter.h"

#include <QCloseEvent>
#include <QIcon>
#include <QPalette>

Form::Form(Forms& forms, Qt::WindowFlags flags) : QWidget(nullptr, flags), forms_(forms) {
  setAttribute(Qt::WA_DeleteOnClose);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(224, 224, 224));
  setPalette(pal);
  setAutoFillBackground(true);
}

AppContext& Form::context() const {
  return forms_.context();
}

void Form::openFolder(const QString& folder) {
  if (!context().openFolder(folder)) {
    context().presenter->plain(
        QStringLiteral("No se pudo abrir la carpeta: el escritorio no tiene ningún programa para "
                       "abrir carpetas (el paquete xdg-utils lo instala). Puede abrirla con su "
                       "gestor de archivos:\n\n%1")
            .arg(folder),
        this);
  }
}

void Form::setClientSize(int width, int height) {
  setFixedSize(width, height);
}

void Form::setProgramIcon() {
  setWindowIcon(programIcon());
}

void Form::setFocusOrder(std::initializer_list<QWidget*> order) {
  for (auto it = order.begin(); it + 1 < order.end(); ++it) {
    setTabOrder(it[0], it[1]);
  }
}

void Form::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
  emit closed();
}

QIcon programIcon() {
  return QIcon(QStringLiteral(":/icon.png"));
}
