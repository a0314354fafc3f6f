// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ImageLibrary.h"

#include "common/Netpbm.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include <magick/api.h>

namespace {

ParametrosCarga viewerParams() {
  ParametrosCarga params = ImageLibrary::defaultLoadParams();
  params.origin = ParametrosCarga::bottomFirst;
  params.colourOrder = ParametrosCarga::bgr;
  params.linePadding = 4;
  return params;
}

// A loaded bitmap that frees itself.
struct Loaded {
  ~Loaded() {
    if (bitmap != nullptr) {
      ImageLibrary::freeBitmapData(*bitmap);
      ImageLibrary::memoryFree(bitmap);
    }
  }
  BitmapGfl* bitmap = nullptr;
  std::int16_t code = -1;
};

void load(ImageLibrary& library, const QString& path, Loaded& out,
          const ParametrosCarga& params = viewerParams()) {
  library.init();
  out.code = library.loadBitmap(path, &out.bitmap, params);
}

// The colour the bitmap gives the pixel at (x, y), counted from the top row.
QRgb colourAt(const BitmapGfl& b, int x, int y) {
  const std::uint8_t* row = b.rows + static_cast<std::ptrdiff_t>(b.height - 1 - y) * b.bytesPerLine;
  switch (b.kind) {
    case BitmapGfl::twoColour:
      return row[x] == 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    case BitmapGfl::greyLevels:
      return qRgb(row[x], row[x], row[x]);
    case BitmapGfl::colourMapped:
      return qRgb(b.colourMap[row[x]], b.colourMap[256 + row[x]], b.colourMap[512 + row[x]]);
    default:
      return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
}

void expectPixels(const BitmapGfl& b, const NetpbmPicture& expected) {
  ASSERT_EQ(b.width, expected.width);
  ASSERT_EQ(b.height, expected.height);
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      ASSERT_EQ(colourAt(b, x, y), expected.at(x, y)) << "at " << x << ", " << y;
    }
  }
}

struct KindCase {
  const char* pcx;
  const char* source;
  std::uint16_t kind;
};

// Printed in the test's listing, which CTest's test names carry.
void PrintTo(const KindCase& c, std::ostream* out) {
  *out << c.pcx;
}

class ImageLibraryKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(ImageLibraryKinds, DecodesTheKindUprightPaddedRows) {
  ImageLibrary library;
  Loaded loaded;
  load(library, fixture(QLatin1String(GetParam().pcx)), loaded);
  ASSERT_EQ(loaded.code, ImageLibrary::ok) << library.errorString(loaded.code).toStdString();
  const BitmapGfl& b = *loaded.bitmap;
  EXPECT_EQ(b.kind, GetParam().kind);
  const int bytesPerPixel = b.kind == BitmapGfl::trueColour ? 3 : 1;
  EXPECT_EQ(b.bytesPerLine, (b.width * bytesPerPixel + 3) / 4 * 4);
  EXPECT_EQ(b.colourMap != nullptr, b.kind == BitmapGfl::colourMapped);
  expectPixels(b, readNetpbm(fixture(QLatin1String(GetParam().source))));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ImageLibraryKinds,
    ::testing::Values(KindCase{"two.pcx", "two.pbm", BitmapGfl::twoColour},
                      KindCase{"grey.pcx", "grey.pgm", BitmapGfl::greyLevels},
                      KindCase{"planar16.pcx", "planar16.ppm", BitmapGfl::colourMapped},
                      KindCase{"packed4.pcx", "packed4.ppm", BitmapGfl::colourMapped},
                      KindCase{"pal8.pcx", "pal8.ppm", BitmapGfl::colourMapped},
                      KindCase{"wide101pal.pcx", "wide101pal.ppm", BitmapGfl::colourMapped},
                      KindCase{"rgb24.pcx", "rgb24.ppm", BitmapGfl::trueColour},
                      KindCase{"wide101.pcx", "wide101.ppm", BitmapGfl::trueColour}),
    [](const auto& info) { return fixtureStem(info.param.pcx); });

TEST(ImageLibrary, ColourMapKeepsTheFileOrderPaddedWithZeros) {
  QFile file(fixture(QStringLiteral("pal8.pcx")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray tail = file.readAll().right(768);

  ImageLibrary library;
  Loaded loaded;
  load(library, file.fileName(), loaded);
  ASSERT_EQ(loaded.code, ImageLibrary::ok);
  const std::uint8_t* map = loaded.bitmap->colourMap;
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(map[i], static_cast<std::uint8_t>(tail[3 * i])) << i;
    EXPECT_EQ(map[256 + i], static_cast<std::uint8_t>(tail[3 * i + 1])) << i;
    EXPECT_EQ(map[512 + i], static_cast<std::uint8_t>(tail[3 * i + 2])) << i;
  }
}

TEST(ImageLibrary, LoadParametersChooseOrderColourAndPadding) {
  ImageLibrary library;
  Loaded loaded;
  load(library, fixture(QStringLiteral("rgb24.pcx")), loaded, ImageLibrary::defaultLoadParams());
  ASSERT_EQ(loaded.code, ImageLibrary::ok);
  const BitmapGfl& b = *loaded.bitmap;
  EXPECT_EQ(b.bytesPerLine, 9);
  const NetpbmPicture expected = readNetpbm(fixture(QStringLiteral("rgb24.ppm")));
  // Top row first, red first.
  EXPECT_EQ(qRgb(b.rows[0], b.rows[1], b.rows[2]), expected.at(0, 0));
  EXPECT_EQ(qRgb(b.rows[9 + 6], b.rows[9 + 7], b.rows[9 + 8]), expected.at(2, 1));
}

// A PCX header claiming a picture of width x height, followed by a few bytes of data.
QByteArray claimedPcx(int width, int height) {
  QByteArray bytes(128, '\0');
  bytes[0] = 10;
  bytes[1] = 5;
  bytes[2] = 1;
  bytes[3] = 8;
  bytes[8] = static_cast<char>((width - 1) & 0xff);
  bytes[9] = static_cast<char>((width - 1) >> 8);
  bytes[10] = static_cast<char>((height - 1) & 0xff);
  bytes[11] = static_cast<char>((height - 1) >> 8);
  bytes[65] = 3;
  bytes[66] = static_cast<char>(width & 0xff);
  bytes[67] = static_cast<char>(width >> 8);
  bytes[68] = 1;
  return bytes + QByteArray(64, '\x11');
}

QByteArray fixtureBytes(const char* name) {
  QFile file(fixture(QLatin1String(name)));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whatever GraphicsMagick says, the user reads one Spanish reason for its class; a file that
// cannot be opened names itself.
TEST(ImageLibrary, EachFailureGivesItsSpanishReason) {
  const QString damaged =
      QStringLiteral("No se puede mostrar la imagen: el archivo está incompleto o dañado.");
  const QString tooBig = QStringLiteral(
      "No se puede mostrar la imagen: es demasiado grande para la memoria disponible.");
  QTemporaryDir dir;
  const QString missing = dir.filePath(QStringLiteral("falta.pcx"));
  struct Case {
    const char* what;
    std::optional<QByteArray> bytes;  // none: the file is missing
    QString expected;
  };
  const std::vector<Case> cases = {
      {"cut short", fixtureBytes("wide101.pcx").left(300), damaged},
      {"damaged", fixtureBytes("damaged.pcx"), damaged},
      {"not a PCX", fixtureBytes("rgb24.ppm"), damaged},
      {"over the pixel limit", claimedPcx(60000, 60000), tooBig},
      {"empty", QByteArray(),
       QStringLiteral("No se puede mostrar la imagen: el archivo está vacío.")},
      {"missing", std::nullopt,
       QStringLiteral("No se puede mostrar la imagen: el archivo %1 ya no existe.").arg(missing)},
  };
  ImageLibrary library;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QString path = missing;
    if (c.bytes) {
      path = dir.filePath(QString::fromLatin1(c.what) + QStringLiteral(".pcx"));
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(*c.bytes);
    }
    Loaded loaded;
    load(library, path, loaded);
    EXPECT_EQ(loaded.code, ImageLibrary::cannotRead);
    EXPECT_EQ(loaded.bitmap, nullptr);
    EXPECT_EQ(library.errorString(loaded.code), c.expected);
  }

  // Two classes that none of the files above gives.
  EXPECT_EQ(
      magickFailureText(MissingDelegateError),
      QStringLiteral("No se puede mostrar la imagen: el visor no sabe leer este tipo de imagen."));
  EXPECT_EQ(magickFailureText(BlobError),
            QStringLiteral("No se puede mostrar la imagen: no se ha podido leer el archivo."));
}

TEST(ImageLibrary, RefusesToLoadBeforeInit) {
  ImageLibrary library;
  BitmapGfl* out = nullptr;
  const std::int16_t code =
      library.loadBitmap(fixture(QStringLiteral("rgb24.pcx")), &out, viewerParams());
  EXPECT_EQ(code, ImageLibrary::notInitialised);
  library.init();
  library.exit();
  EXPECT_EQ(library.loadBitmap(fixture(QStringLiteral("rgb24.pcx")), &out, viewerParams()),
            ImageLibrary::notInitialised);
}

TEST(ImageLibrary, DrawableConversionIsAnIndependentCopy) {
  ImageLibrary library;
  Loaded loaded;
  load(library, fixture(QStringLiteral("pal8.pcx")), loaded);
  ASSERT_EQ(loaded.code, ImageLibrary::ok);
  Loaded converted;
  converted.code =
      library.changeColorDepth(*loaded.bitmap, &converted.bitmap, ImageLibrary::modeDrawable, 0);
  ASSERT_EQ(converted.code, ImageLibrary::ok);
  const BitmapGfl& a = *loaded.bitmap;
  const BitmapGfl& b = *converted.bitmap;
  EXPECT_NE(a.rows, b.rows);
  EXPECT_NE(a.colourMap, b.colourMap);
  EXPECT_EQ(std::memcmp(a.rows, b.rows, static_cast<std::size_t>(a.bytesPerLine * a.height)), 0);
  EXPECT_EQ(std::memcmp(a.colourMap, b.colourMap, 768), 0);
  EXPECT_EQ(std::tie(a.kind, a.width, a.height, a.bytesPerLine),
            std::tie(b.kind, b.width, b.height, b.bytesPerLine));

  BitmapGfl* none = nullptr;
  const std::int16_t code = library.changeColorDepth(*loaded.bitmap, &none, 7, 0);
  EXPECT_EQ(code, ImageLibrary::unknownMode);
  EXPECT_EQ(none, nullptr);
  EXPECT_TRUE(library.errorString(code).contains(QLatin1String("7")));
}

}  // namespace
