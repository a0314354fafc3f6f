// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ImagePipeline.h"

#include "viewer/CabeceraDib.h"

#include <QImage>
#include <QPainter>

ImagePipeline::~ImagePipeline() {
  ImageLibrary::freeBitmapData(bitmapActual_);
}

ParametrosCarga ImagePipeline::drawableLoadParams() {
  ParametrosCarga params = ImageLibrary::defaultLoadParams();
  params.origin = ParametrosCarga::bottomFirst;
  params.colourOrder = ParametrosCarga::bgr;
  params.linePadding = 4;
  return params;
}

std::optional<QString> ImagePipeline::mostrarImagen(const QString& path, QImage& surface,
                                                    QRgb background) {
  library_.init();
  const ParametrosCarga params = drawableLoadParams();
  BitmapGfl* loaded = nullptr;
  std::int16_t code = library_.loadBitmap(path, &loaded, params);
  if (code == ImageLibrary::ok) {
    tomarBitmap(loaded);
    BitmapGfl* converted = nullptr;
    code = library_.changeColorDepth(bitmapActual_, &converted, ImageLibrary::modeDrawable, 0);
    if (code == ImageLibrary::ok) {
      tomarBitmap(converted);
    }
    surface.fill(background);
    const std::optional<QString> drawError = dibujarBitmap(bitmapActual_, surface);
    if (code == ImageLibrary::ok) {
      return drawError;
    }
  }
  return library_.errorString(code);
}

void ImagePipeline::tomarBitmap(BitmapGfl* p) {
  ImageLibrary::freeBitmapData(bitmapActual_);
  bitmapActual_ = *p;
  ImageLibrary::memoryFree(p);
}

void ImagePipeline::descargar() {
  ImageLibrary::freeBitmapData(bitmapActual_);
  bitmapActual_ = BitmapGfl();
  library_.exit();
}

std::optional<QString> dibujarBitmap(const BitmapGfl& b, QImage& surface) {
  const CabeceraDib cabecera = cabeceraDib(b);
  if (!cabecera.ok()) {
    return cabecera.error;
  }
  const BitmapInfoHeader& header = cabecera.info.header;
  const std::int64_t rowBytes = drawnRowBytes(header);
  if (header.width <= 0 || header.height <= 0) {
    return std::nullopt;
  }
  if (b.rows == nullptr || b.bytesPerLine < rowBytes) {
    return QStringLiteral("No se puede mostrar la imagen: sus datos están incompletos.");
  }
  // The rows are drawn where they lie; only the painter turns them upright.
  QImage rows(b.rows, header.width, header.height, static_cast<qsizetype>(rowBytes),
              header.bitCount == 8 ? QImage::Format_Indexed8 : QImage::Format_BGR888);
  if (header.bitCount == 8) {
    QList<QRgb> table(256);
    for (int i = 0; i < 256; ++i) {
      const RgbQuad& c = cabecera.info.colours[i];
      table[i] = qRgb(c.red, c.green, c.blue);
    }
    rows.setColorTable(table);
  }
  QPainter painter(&surface);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.translate(0, header.height);
  painter.scale(1, -1);
  painter.drawImage(0, 0, rows);
  return std::nullopt;
}
