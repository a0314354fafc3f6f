// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

// A borderless surface that keeps what is drawn on it in an image of its own size and repaints
// from it. Resizing keeps what was drawn, as far as it still fits.
class DrawingSurface : public QWidget {
  Q_OBJECT
public:
  explicit DrawingSurface(QWidget* parent);

  // The persistent image, always of the surface's current size.
  QImage& canvas();
  // What the surface shows where nothing has been drawn.
  QRgb background() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QImage canvas_;
};
