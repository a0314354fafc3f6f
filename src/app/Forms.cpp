#include "app/Forms.h"

#include <QGuiApplication>
#include <QScreen>

Forms::Forms(AppContext context) : context_(std::move(context)) {}

Forms::~Forms() {
  for (auto& [type, window] : windows_) {
    delete window.data();
  }
}

Form* Forms::build(Form* window) {
  QObject::connect(window, &Form::closed, window, [this, window] { forget(window); });
  window->Form_Load();
  return window;
}

void Forms::forget(Form* window) {
  for (auto& [type, slot] : windows_) {
    if (slot == window) {
      slot.clear();
    }
  }
}

void Forms::present(QWidget* window) {
  if (!window->property("varndelPlaced").toBool()) {
    window->setProperty("varndelPlaced", true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect area = screen->availableGeometry();
      window->move(area.center() - window->rect().center());
    }
  }
  window->show();
  window->raise();
  window->activateWindow();
}
