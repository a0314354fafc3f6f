// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/Forms.h"

#include <QApplication>
#include <QScreen>

#include <algorithm>
#include <vector>

Forms::Forms(AppContext context) : context_(std::move(context)) {}

Forms::~Forms() {
  for (auto& [name, window] : windows_) {
    delete window.data();
  }
}

Form* Forms::build(Form* window) {
  QObject::connect(window, &Form::closed, window, [this, window] { forget(window); });
  window->Form_Load();
  return window;
}

void Forms::forget(Form* window) {
  for (auto& [name, slot] : windows_) {
    if (slot == window) {
      slot.clear();
    }
  }
  bringMainBack();
}

void Forms::bringMainBack() {
  const auto main = windows_.find(mainKey_);
  if (shuttingDown_ || main == windows_.end() || !main->second || !main->second->isHidden()) {
    return;
  }
  for (const auto& [name, slot] : windows_) {
    if (slot && name != mainKey_) {
      return;
    }
  }
  present(main->second);
}

// A window that closes may close others with it; those are passed over when their turn comes.
void Forms::closeAllBut(std::initializer_list<std::string_view> kept) {
  for (auto& [name, slot] : windows_) {
    if (slot && std::find(kept.begin(), kept.end(), name) == kept.end()) {
      slot->close();
    }
  }
}

void Forms::bringForward() {
  if (shuttingDown_) {
    return;
  }
  std::vector<QWidget*> order;
  const auto main = windows_.find(mainKey_);
  if (main != windows_.end() && main->second && main->second->isVisible()) {
    order.push_back(main->second);
  }
  for (const auto& [name, slot] : windows_) {
    if (slot && slot->isVisible() && name != mainKey_) {
      order.push_back(slot);
    }
  }
  if (QWidget* modal = QApplication::activeModalWidget()) {
    order.push_back(modal);
  }
  for (QWidget* window : order) {
    window->showNormal();
    window->raise();
  }
  if (!order.empty()) {
    order.back()->activateWindow();
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
