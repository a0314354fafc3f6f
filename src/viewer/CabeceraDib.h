// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/ImageLibrary.h"

#include <QString>

#include <array>
#include <cstdint>

// The original's bitmap header, kept beside the English engine ImagePipeline that draws with it.
// The header a device-independent bitmap is drawn with, laid out as the platform's own.
struct BitmapInfoHeader {
  std::uint32_t size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive: the rows run bottom row first
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
};

struct RgbQuad {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;
};

struct BitmapInfo {
  BitmapInfoHeader header;
  std::array<RgbQuad, 256> colours{};
};

// The header for b, or an error text when a row or the whole image would not fit in 32 bits.
struct CabeceraDib {
  BitmapInfo info;
  QString error;
  bool ok() const { return error.isEmpty(); }
};

CabeceraDib cabeceraDib(const BitmapGfl& b);

// Bytes in one row of the bitmap as drawn: the pixels rounded up to a multiple of 4.
std::int64_t drawnRowBytes(const BitmapInfoHeader& header);
