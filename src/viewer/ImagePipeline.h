// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/ImageLibrary.h"

#include <QRgb>
#include <QString>

#include <optional>

class QImage;

// The viewer's one current bitmap and the steps that load, take over and draw it. The bitmap's
// data belongs to it until the next take-over or descargar.
class ImagePipeline {
public:
  explicit ImagePipeline(ImageLibrary& library) : library_(library) {}
  ~ImagePipeline();
  ImagePipeline(const ImagePipeline&) = delete;
  ImagePipeline& operator=(const ImagePipeline&) = delete;

  // The load parameters that give a bitmap dibujarBitmap draws: bottom row first, BGR, rows
  // padded to 4 bytes.
  static ParametrosCarga drawableLoadParams();

  // Loads path, makes it current, clears surface to background and draws it there, so that no
  // edge of an earlier picture stays. The text to show when the load or the conversion failed;
  // a failed load leaves surface as it was, after a failed conversion the loaded bitmap is
  // drawn all the same.
  std::optional<QString> mostrarImagen(const QString& path, QImage& surface, QRgb background);
  void tomarBitmap(BitmapGfl* p);
  // Frees the current bitmap and shuts the library down, as the viewer does when it closes.
  void descargar();

  const BitmapGfl& bitmapActual() const { return bitmapActual_; }

private:
  ImageLibrary& library_;
  BitmapGfl bitmapActual_;
};

// Copies b onto surface at (0, 0), one pixel to one pixel, without clearing first. The error
// text when b cannot be drawn.
std::optional<QString> dibujarBitmap(const BitmapGfl& b, QImage& surface);
