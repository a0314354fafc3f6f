// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the image library, the header and a draw onto a small surface.
#include "viewer/CabeceraDib.h"
#include "viewer/ImageLibrary.h"
#include "viewer/ImagePipeline.h"

#include <QImage>

#include <cstddef>
#include <cstdint>

#include <magick/api.h>

namespace {

ImageLibrary& library() {
  static ImageLibrary instance = [] {
    ImageLibrary made;
    made.init();
    // Smaller than the program's limit, so that each run stays quick; the refusal path is the
    // same.
    SetMagickResourceLimit(PixelsResource, 4'000'000);
    return made;
  }();
  return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ParametrosCarga params = ImageLibrary::defaultLoadParams();
  params.origin = ParametrosCarga::bottomFirst;
  params.colourOrder = ParametrosCarga::bgr;
  params.linePadding = 4;
  BitmapGfl* loaded = nullptr;
  if (library().loadBitmapFromMemory(data, size, &loaded, params) != ImageLibrary::ok) {
    library().errorString(ImageLibrary::cannotRead);
    return 0;
  }
  BitmapGfl* converted = nullptr;
  if (library().changeColorDepth(*loaded, &converted, ImageLibrary::modeDrawable, 0) ==
      ImageLibrary::ok) {
    ImageLibrary::freeBitmapData(*converted);
    ImageLibrary::memoryFree(converted);
  }
  cabeceraDib(*loaded);
  QImage surface(16, 16, QImage::Format_RGB32);
  surface.fill(0);
  dibujarBitmap(*loaded, surface);
  ImageLibrary::freeBitmapData(*loaded);
  ImageLibrary::memoryFree(loaded);
  return 0;
}
