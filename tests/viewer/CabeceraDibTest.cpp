// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/CabeceraDib.h"

#include <gtest/gtest.h>

#include <array>

namespace {

BitmapGfl bitmapOf(std::uint16_t kind, std::int32_t width, std::int32_t height) {
  BitmapGfl b;
  b.kind = kind;
  b.width = width;
  b.height = height;
  return b;
}

void expectCommonFields(const BitmapInfoHeader& h, std::int32_t width, std::int32_t height) {
  EXPECT_EQ(h.size, 40u);
  EXPECT_EQ(h.width, width);
  EXPECT_EQ(h.height, height);
  EXPECT_EQ(h.planes, 1);
  EXPECT_EQ(h.compression, 0u);
  EXPECT_EQ(h.xPelsPerMeter, 0);
  EXPECT_EQ(h.yPelsPerMeter, 0);
  EXPECT_EQ(h.clrUsed, 0u);
  EXPECT_EQ(h.clrImportant, 0u);
}

TEST(CabeceraDib, TrueColourWidth101HasPaddedImageSizeAndNoTable) {
  const CabeceraDib c = cabeceraDib(bitmapOf(BitmapGfl::trueColour, 101, 7));
  ASSERT_TRUE(c.ok());
  expectCommonFields(c.info.header, 101, 7);
  EXPECT_EQ(c.info.header.bitCount, 24);
  EXPECT_EQ(c.info.header.sizeImage, 304u * 7u);
  for (const RgbQuad& q : c.info.colours) {
    EXPECT_EQ(std::tie(q.blue, q.green, q.red, q.reserved), std::make_tuple(0, 0, 0, 0));
  }
  EXPECT_EQ(drawnRowBytes(c.info.header), 304);
}

TEST(CabeceraDib, TwoColourIsBlackThenWhiteAndNothingElse) {
  const CabeceraDib c = cabeceraDib(bitmapOf(BitmapGfl::twoColour, 101, 3));
  ASSERT_TRUE(c.ok());
  expectCommonFields(c.info.header, 101, 3);
  EXPECT_EQ(c.info.header.bitCount, 8);
  // The image size keeps the three-bytes-a-pixel stride.
  EXPECT_EQ(c.info.header.sizeImage, 304u * 3u);
  EXPECT_EQ(drawnRowBytes(c.info.header), 104);
  const auto& t = c.info.colours;
  EXPECT_EQ(std::tie(t[0].blue, t[0].green, t[0].red), std::make_tuple(0, 0, 0));
  EXPECT_EQ(std::tie(t[1].blue, t[1].green, t[1].red), std::make_tuple(255, 255, 255));
  for (int i = 2; i < 256; ++i) {
    EXPECT_EQ(std::tie(t[i].blue, t[i].green, t[i].red), std::make_tuple(0, 0, 0)) << i;
  }
}

TEST(CabeceraDib, GreyIsTheRamp) {
  const CabeceraDib c = cabeceraDib(bitmapOf(BitmapGfl::greyLevels, 4, 4));
  ASSERT_TRUE(c.ok());
  expectCommonFields(c.info.header, 4, 4);
  EXPECT_EQ(c.info.header.bitCount, 8);
  EXPECT_EQ(c.info.header.sizeImage, 12u * 4u);
  for (int i = 0; i < 256; ++i) {
    const RgbQuad& q = c.info.colours[i];
    EXPECT_EQ(std::tie(q.blue, q.green, q.red, q.reserved), std::make_tuple(i, i, i, 0)) << i;
  }
}

TEST(CabeceraDib, ColourMappedTakesBlueGreenRedFromThePlanesOfTheMap) {
  std::array<std::uint8_t, 768> map{};
  for (int i = 0; i < 256; ++i) {
    map[i] = static_cast<std::uint8_t>(i);                    // red
    map[256 + i] = static_cast<std::uint8_t>(255 - i);        // green
    map[512 + i] = static_cast<std::uint8_t>((i * 7) % 256);  // blue
  }
  BitmapGfl b = bitmapOf(BitmapGfl::colourMapped, 5, 2);
  b.colourMap = map.data();
  const CabeceraDib c = cabeceraDib(b);
  ASSERT_TRUE(c.ok());
  expectCommonFields(c.info.header, 5, 2);
  EXPECT_EQ(c.info.header.bitCount, 8);
  EXPECT_EQ(c.info.header.sizeImage, 16u * 2u);
  for (int i = 0; i < 256; ++i) {
    const RgbQuad& q = c.info.colours[i];
    EXPECT_EQ(std::tie(q.blue, q.green, q.red, q.reserved),
              std::make_tuple((i * 7) % 256, 255 - i, i, 0))
        << i;
  }
}

TEST(CabeceraDib, RefusesSizesThatDoNotFitIn32Bits) {
  // W x 3 + 3 overflows.
  EXPECT_FALSE(cabeceraDib(bitmapOf(BitmapGfl::trueColour, 715827882, 1)).ok());
  // The stride fits, the image size does not.
  const CabeceraDib tall = cabeceraDib(bitmapOf(BitmapGfl::greyLevels, 20000, 40000));
  EXPECT_FALSE(tall.ok());
  EXPECT_TRUE(tall.error.contains(QLatin1String("20000 x 40000")));
  // The largest image size that still fits is built.
  const CabeceraDib edge = cabeceraDib(bitmapOf(BitmapGfl::trueColour, 4, 178956970));
  ASSERT_TRUE(edge.ok());
  EXPECT_EQ(edge.info.header.sizeImage, 12u * 178956970u);
}

}  // namespace
