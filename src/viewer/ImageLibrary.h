// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>

// The description of a decoded bitmap: rows run bottom row first, each padded to linePadding
// bytes; kinds 1, 2 and 4 hold one byte per pixel, every other kind three bytes blue, green, red.
struct BitmapGfl {
  enum Kind : std::uint16_t { twoColour = 1, greyLevels = 2, colourMapped = 4, trueColour = 16 };

  std::uint16_t kind = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bytesPerLine = 0;
  std::uint8_t* colourMap = nullptr;  // kind 4 only: 256 reds, then 256 greens, then 256 blues
  std::uint8_t* rows = nullptr;
};

// How the loader lays out what it decodes.
struct ParametrosCarga {
  enum Origin : std::uint16_t { topFirst = 0, bottomFirst = 16 };
  enum ColourOrder : std::uint16_t { rgb = 0, bgr = 64 };

  std::uint16_t origin = topFirst;
  std::uint16_t colourOrder = rgb;
  std::uint32_t linePadding = 1;
};

// What the user reads when GraphicsMagick refuses an image, from the class of its exception.
QString magickFailureText(int exceptionType);
// What the user reads for a picture whose rows would not fit the bitmap's 32-bit sizes.
QString imageTooLargeText(std::int64_t width, std::int64_t height);

// The image library the viewer decodes through: an adapter over GraphicsMagick with the calls of
// a small C-style library. A non-zero code means failure; errorString gives its text, in Spanish.
class ImageLibrary {
public:
  enum Code : std::int16_t {
    ok = 0,
    cannotRead = 1,  // the reason, from the decoder's class of failure, is kept for errorString
    tooLarge = 2,    // a row or the whole image does not fit the bitmap's 32-bit sizes
    noMemory = 3,
    unknownMode = 4,
    notInitialised = 5,
  };
  // The one depth change the viewer asks for: into a layout the drawing step accepts.
  static constexpr int modeDrawable = 13;
  static constexpr std::int64_t maxPixels = 100'000'000;

  virtual ~ImageLibrary() = default;

  std::int16_t init();
  void exit() { initialised_ = false; }
  static ParametrosCarga defaultLoadParams() { return {}; }

  // On success *out is a new record owned by the caller: its data goes with freeBitmapData,
  // the record itself with memoryFree.
  std::int16_t loadBitmap(const QString& path, BitmapGfl** out, const ParametrosCarga& params);
  std::int16_t loadBitmapFromMemory(const void* bytes, std::size_t size, BitmapGfl** out,
                                    const ParametrosCarga& params);
  virtual std::int16_t changeColorDepth(const BitmapGfl& source, BitmapGfl** out, int mode,
                                        int parameter);
  QString errorString(std::int16_t code) const;

  static void freeBitmapData(BitmapGfl& bitmap);
  static void memoryFree(BitmapGfl* bitmap) { delete bitmap; }

protected:
  // Remembers the code's text for errorString; without a reason of its own, the code's usual one.
  std::int16_t fail(std::int16_t code, const QString& reason = {});

private:
  bool initialised_ = false;
  std::int16_t lastCode_ = ok;
  QString lastReason_;
};
