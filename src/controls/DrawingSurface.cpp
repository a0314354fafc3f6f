// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/DrawingSurface.h"

#include <QPaintEvent>
#include <QPainter>

DrawingSurface::DrawingSurface(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

// Follows the size lazily: a hidden widget gets no resize event, yet is drawn on.
QImage& DrawingSurface::canvas() {
  if (canvas_.size() != size()) {
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(background());
    QPainter painter(&resized);
    painter.drawImage(0, 0, canvas_);
    painter.end();
    canvas_ = std::move(resized);
  }
  return canvas_;
}

QRgb DrawingSurface::background() const {
  return palette().color(QPalette::Window).rgb();
}

void DrawingSurface::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.drawImage(event->rect(), canvas(), event->rect());
}
