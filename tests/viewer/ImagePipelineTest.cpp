// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ImagePipeline.h"

#include "common/Netpbm.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

const QRgb marker = qRgb(1, 2, 3);
const QRgb background = qRgb(224, 224, 224);

QImage surfaceOf(int width, int height, QRgb fill = marker) {
  QImage surface(width, height, QImage::Format_RGB32);
  surface.fill(fill);
  return surface;
}

// Compares the top-left of surface with the picture, and the rest with the fill it started with.
void expectDrawn(const QImage& surface, const NetpbmPicture& picture, QRgb rest = marker) {
  for (int y = 0; y < surface.height(); ++y) {
    for (int x = 0; x < surface.width(); ++x) {
      const bool inside = x < picture.width && y < picture.height;
      ASSERT_EQ(surface.pixel(x, y), inside ? picture.at(x, y) : rest) << "at " << x << ", " << y;
    }
  }
}

struct Drawn {
  const char* pcx;
  const char* source;
  const char* shownBefore = nullptr;  // a larger picture, whose edges must not stay
};

std::string nameOf(const Drawn& drawn) {
  return fixtureStem(drawn.pcx) +
         (drawn.shownBefore ? "_after_" + fixtureStem(drawn.shownBefore) : std::string());
}

// Printed in the test's listing, which CTest's test names carry.
void PrintTo(const Drawn& drawn, std::ostream* out) {
  *out << nameOf(drawn);
}

class DrawnKinds : public ::testing::TestWithParam<Drawn> {};

TEST_P(DrawnKinds, EveryKindIsDrawnUprightOnePixelToOneOnAClearedSurface) {
  ImageLibrary library;
  ImagePipeline pipeline(library);
  QImage surface = surfaceOf(120, 8);
  if (GetParam().shownBefore) {
    ASSERT_EQ(
        pipeline.mostrarImagen(fixture(QLatin1String(GetParam().shownBefore)), surface, marker),
        std::nullopt);
  }
  EXPECT_EQ(pipeline.mostrarImagen(fixture(QLatin1String(GetParam().pcx)), surface, background),
            std::nullopt);
  expectDrawn(surface, readNetpbm(fixture(QLatin1String(GetParam().source))), background);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DrawnKinds,
    ::testing::Values(Drawn{"two.pcx", "two.pbm"}, Drawn{"grey.pcx", "grey.pgm"},
                      Drawn{"planar16.pcx", "planar16.ppm"}, Drawn{"packed4.pcx", "packed4.ppm"},
                      Drawn{"pal8.pcx", "pal8.ppm"}, Drawn{"rgb24.pcx", "rgb24.ppm"},
                      Drawn{"wide101.pcx", "wide101.ppm"},
                      Drawn{"wide101pal.pcx", "wide101pal.ppm"},
                      Drawn{"rgb24.pcx", "rgb24.ppm", "wide101.pcx"}),
    [](const auto& info) { return nameOf(info.param); });

TEST(ImagePipeline, DamagedFileKeepsThePictureAndTheBitmapAndGivesTheLibraryText) {
  ImageLibrary library;
  ImagePipeline pipeline(library);
  QImage surface = surfaceOf(20, 6);
  ASSERT_EQ(pipeline.mostrarImagen(fixture(QStringLiteral("pal8.pcx")), surface, marker),
            std::nullopt);
  const QImage before = surface.copy();
  const std::uint8_t* rowsBefore = pipeline.bitmapActual().rows;

  const std::optional<QString> text =
      pipeline.mostrarImagen(fixture(QStringLiteral("damaged.pcx")), surface, background);
  ASSERT_TRUE(text.has_value());
  EXPECT_FALSE(text->isEmpty());
  EXPECT_EQ(*text, library.errorString(ImageLibrary::cannotRead));
  EXPECT_EQ(surface, before);
  EXPECT_EQ(pipeline.bitmapActual().rows, rowsBefore);
  EXPECT_EQ(pipeline.bitmapActual().width, 5);
}

TEST(ImagePipeline, LargerPictureIsCutAtTheSurfaceEdge) {
  ImageLibrary library;
  ImagePipeline pipeline(library);
  QImage surface = surfaceOf(40, 2);
  ASSERT_EQ(pipeline.mostrarImagen(fixture(QStringLiteral("wide101.pcx")), surface, marker),
            std::nullopt);
  const NetpbmPicture picture = readNetpbm(fixture(QStringLiteral("wide101.ppm")));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(surface.pixel(x, y), picture.at(x, y));
    }
  }
}

// A library whose depth change always fails.
class FailingConversion : public ImageLibrary {
public:
  std::int16_t changeColorDepth(const BitmapGfl&, BitmapGfl** out, int, int) override {
    *out = nullptr;
    return fail(noMemory, QStringLiteral("sin memoria para convertir"));
  }
};

TEST(ImagePipeline, FailedConversionDrawsTheLoadedBitmapThenGivesTheText) {
  FailingConversion library;
  ImagePipeline pipeline(library);
  QImage surface = surfaceOf(8, 4);
  const std::optional<QString> text =
      pipeline.mostrarImagen(fixture(QStringLiteral("planar16.pcx")), surface, background);
  EXPECT_EQ(text, QStringLiteral("sin memoria para convertir"));
  expectDrawn(surface, readNetpbm(fixture(QStringLiteral("planar16.ppm"))), background);
  EXPECT_EQ(pipeline.bitmapActual().kind, BitmapGfl::colourMapped);
}

TEST(ImagePipeline, UnloadFreesTheBitmapAndShutsTheLibraryDown) {
  ImageLibrary library;
  ImagePipeline pipeline(library);
  pipeline.descargar();  // nothing shown yet: frees an empty bitmap
  QImage surface = surfaceOf(8, 4);
  ASSERT_EQ(pipeline.mostrarImagen(fixture(QStringLiteral("rgb24.pcx")), surface, marker),
            std::nullopt);
  pipeline.descargar();
  EXPECT_EQ(pipeline.bitmapActual().rows, nullptr);
  EXPECT_EQ(pipeline.bitmapActual().width, 0);
  BitmapGfl* out = nullptr;
  EXPECT_EQ(library.loadBitmap(fixture(QStringLiteral("rgb24.pcx")), &out, {}),
            ImageLibrary::notInitialised);
}

TEST(DibujarBitmap, RefusesRowsShorterThanTheHeaderSays) {
  std::uint8_t rows[8] = {};
  BitmapGfl b;
  b.kind = BitmapGfl::trueColour;
  b.width = 3;
  b.height = 2;
  b.bytesPerLine = 4;  // three pixels need 12
  b.rows = rows;
  QImage surface = surfaceOf(4, 4);
  EXPECT_TRUE(dibujarBitmap(b, surface).has_value());
  expectDrawn(surface, NetpbmPicture{});
}

TEST(DibujarBitmap, OversizedHeaderIsAnErrorNotAnOverflow) {
  std::uint8_t row[4] = {};
  BitmapGfl b;
  b.kind = BitmapGfl::greyLevels;
  b.width = 800000000;
  b.height = 1;
  b.bytesPerLine = 4;
  b.rows = row;
  QImage surface = surfaceOf(4, 4);
  const std::optional<QString> text = dibujarBitmap(b, surface);
  ASSERT_TRUE(text.has_value());
  EXPECT_TRUE(text->contains(QLatin1String("800000000")));
}

}  // namespace
