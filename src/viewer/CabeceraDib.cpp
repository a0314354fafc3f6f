// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/CabeceraDib.h"

#include <limits>

static_assert(sizeof(BitmapInfoHeader) == 40 && sizeof(BitmapInfo) == 1064);

namespace {

bool fitsInt32(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

bool isPalette(std::uint16_t kind) {
  return kind == BitmapGfl::twoColour || kind == BitmapGfl::greyLevels ||
         kind == BitmapGfl::colourMapped;
}

void fillColours(const BitmapGfl& b, std::array<RgbQuad, 256>& colours) {
  if (b.kind == BitmapGfl::colourMapped) {
    if (b.colourMap == nullptr) {
      return;
    }
    for (int i = 0; i < 256; ++i) {
      colours[i] = {b.colourMap[512 + i], b.colourMap[256 + i], b.colourMap[i], 0};
    }
  } else if (b.kind == BitmapGfl::twoColour) {
    colours[0] = {0, 0, 0, 0};
    colours[1] = {255, 255, 255, 0};
  } else {
    for (int i = 0; i < 256; ++i) {
      const auto level = static_cast<std::uint8_t>(i);
      colours[i] = {level, level, level, 0};
    }
  }
}

}  // namespace

CabeceraDib cabeceraDib(const BitmapGfl& b) {
  CabeceraDib result;
  // The stride is always worked out for three bytes a pixel, whatever the kind: the header
  // has always said so, and a palette bitmap's image size is then merely generous.
  const std::int64_t stride = (std::int64_t{b.width} * 3 + 3) & ~std::int64_t{3};
  const std::int64_t imageSize = stride * b.height;
  if (!fitsInt32(std::int64_t{b.width} * 3 + 3) || !fitsInt32(imageSize)) {
    result.error = imageTooLargeText(b.width, b.height);
    return result;
  }
  BitmapInfoHeader& header = result.info.header;
  header.size = sizeof(BitmapInfoHeader);
  header.width = b.width;
  header.height = b.height;
  header.planes = 1;
  header.bitCount = 24;
  header.sizeImage = static_cast<std::uint32_t>(imageSize);
  if (isPalette(b.kind)) {
    header.bitCount = 8;
    fillColours(b, result.info.colours);
  }
  return result;
}

std::int64_t drawnRowBytes(const BitmapInfoHeader& header) {
  return (std::int64_t{header.width} * header.bitCount / 8 + 3) & ~std::int64_t{3};
}
