// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ImageLibrary.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>

#include <magick/api.h>

namespace {

constexpr std::int64_t int32Max = std::numeric_limits<std::int32_t>::max();

// GraphicsMagick's state lives for the whole process: set it up, and its limits, only once.
void initialiseMagick() {
  static std::once_flag once;
  std::call_once(once, [] {
    InitializeMagick(nullptr);
    // A file that claims a huge picture is refused before any decoding, and nothing ever
    // spills to a disk cache.
    SetMagickResourceLimit(PixelsResource, ImageLibrary::maxPixels);
    SetMagickResourceLimit(DiskResource, 0);
    SetMagickResourceLimit(MapResource, 0);
  });
}

std::uint8_t toByte(Quantum value) {
  return ScaleQuantumToChar(value);
}

bool isGrey(const PixelPacket& colour) {
  return colour.red == colour.green && colour.green == colour.blue;
}

bool isBlackAndWhite(const Image& image) {
  if (image.colors != 2) {
    return false;
  }
  const PixelPacket& first = image.colormap[0];
  const PixelPacket& second = image.colormap[1];
  const auto level = [](const PixelPacket& c) { return isGrey(c) ? toByte(c.red) : 128; };
  return (level(first) == 0 && level(second) == 255) || (level(first) == 255 && level(second) == 0);
}

// The name the decoder knows the bytes by; it never opens a file of that name.
constexpr char blobName[] = "imagen.pcx";

// GraphicsMagick's own text is English and names its source files: it goes to the log, and the
// user reads the Spanish reason of its class.
QString reasonOf(const ExceptionInfo& exception) {
  QString detail = QString::fromLocal8Bit(exception.description ? exception.description : "");
  detail.remove(QLatin1Char('"') + QLatin1String(blobName) + QLatin1Char('"'));
  detail.remove(QLatin1String(blobName));
  qWarning().noquote() << "GraphicsMagick:" << exception.severity
                       << QString::fromLocal8Bit(exception.reason ? exception.reason : "")
                       << detail.trimmed();
  return magickFailureText(exception.severity);
}

// Owns what GraphicsMagick hands out for one read.
class MagickRead {
public:
  MagickRead() : info_(CloneImageInfo(nullptr)) { GetExceptionInfo(&exception_); }
  ~MagickRead() {
    if (image_ != nullptr) {
      DestroyImage(image_);
    }
    DestroyImageInfo(info_);
    DestroyExceptionInfo(&exception_);
  }
  MagickRead(const MagickRead&) = delete;
  MagickRead& operator=(const MagickRead&) = delete;

  // Only the PCX decoder is ever asked, whatever the bytes claim to be.
  bool readPcx(const void* bytes, std::size_t size) {
    std::strcpy(info_->magick, "PCX");
    std::snprintf(info_->filename, sizeof info_->filename, "PCX:%s", blobName);
    image_ = BlobToImage(info_, bytes, size, &exception_);
    // A damaged file may still give part of a picture, with a warning: it is refused as a whole.
    return image_ != nullptr && exception_.severity == UndefinedException;
  }

  Image* image() const { return image_; }
  ExceptionInfo& exception() { return exception_; }

private:
  ImageInfo* info_;
  ExceptionInfo exception_;
  Image* image_ = nullptr;
};

struct Layout {
  std::uint16_t kind = BitmapGfl::trueColour;
  std::array<std::uint8_t, 256> byteOfIndex{};  // palette kinds: the byte stored per index
};

Layout layoutOf(const Image& image) {
  Layout layout;
  // The class is checked first: a true-colour image has no usable colour map.
  if (image.storage_class != PseudoClass || image.colormap == nullptr || image.colors == 0 ||
      image.colors > 256) {
    return layout;
  }
  const PixelPacket* map = image.colormap;
  bool allGrey = true;
  for (unsigned i = 0; i < image.colors; ++i) {
    allGrey = allGrey && isGrey(map[i]);
  }
  if (isBlackAndWhite(image)) {
    layout.kind = BitmapGfl::twoColour;
    for (unsigned i = 0; i < 2; ++i) {
      layout.byteOfIndex[i] = toByte(map[i].red) == 255 ? 1 : 0;
    }
  } else if (allGrey) {
    layout.kind = BitmapGfl::greyLevels;
    for (unsigned i = 0; i < image.colors; ++i) {
      layout.byteOfIndex[i] = toByte(map[i].red);
    }
  } else {
    layout.kind = BitmapGfl::colourMapped;
    for (unsigned i = 0; i < image.colors; ++i) {
      layout.byteOfIndex[i] = static_cast<std::uint8_t>(i);
    }
  }
  return layout;
}

std::uint8_t* newColourMap(const Image& image) {
  auto* map = static_cast<std::uint8_t*>(std::calloc(768, 1));
  if (map != nullptr) {
    for (unsigned i = 0; i < image.colors; ++i) {
      map[i] = toByte(image.colormap[i].red);
      map[256 + i] = toByte(image.colormap[i].green);
      map[512 + i] = toByte(image.colormap[i].blue);
    }
  }
  return map;
}

void copyRow(const PixelPacket* pixels, const IndexPacket* indexes, const Layout& layout,
             const Image& image, bool bgr, std::uint8_t* row) {
  const std::size_t width = image.columns;
  if (layout.kind != BitmapGfl::trueColour) {
    for (std::size_t x = 0; x < width; ++x) {
      const unsigned index = indexes[x];
      row[x] = index < image.colors ? layout.byteOfIndex[index] : 0;
    }
    return;
  }
  for (std::size_t x = 0; x < width; ++x) {
    const PixelPacket& p = pixels[x];
    row[3 * x] = toByte(bgr ? p.blue : p.red);
    row[3 * x + 1] = toByte(p.green);
    row[3 * x + 2] = toByte(bgr ? p.red : p.blue);
  }
}

}  // namespace

QString magickFailureText(int exceptionType) {
  // The class is the type less its severity (warning, error, fatal error).
  switch (exceptionType % 100) {
    case CorruptImageBase:
    case CoderBase:
    case StreamBase:
    case ImageBase:
      return QStringLiteral("No se puede mostrar la imagen: el archivo está incompleto o dañado.");
    case MissingDelegateBase:
    case DelegateBase:
    case ModuleBase:
    case TypeBase:
      return QStringLiteral(
          "No se puede mostrar la imagen: el visor no sabe leer este tipo de imagen.");
    case ResourceLimitBase:
    case CacheBase:
    case TemporaryFileBase:
      return QStringLiteral(
          "No se puede mostrar la imagen: es demasiado grande para la memoria disponible.");
    case FileOpenBase:
    case BlobBase:
      return QStringLiteral("No se puede mostrar la imagen: no se ha podido leer el archivo.");
    default:
      return QStringLiteral(
          "No se puede mostrar la imagen: el archivo no es una imagen que el visor sepa leer.");
  }
}

QString imageTooLargeText(std::int64_t width, std::int64_t height) {
  return QStringLiteral(
             "No se puede mostrar la imagen: sus %1 x %2 píxeles superan lo que el visor admite.")
      .arg(width)
      .arg(height);
}

std::int16_t ImageLibrary::init() {
  initialiseMagick();
  initialised_ = true;
  return ok;
}

std::int16_t ImageLibrary::fail(std::int16_t code, const QString& reason) {
  lastCode_ = code;
  lastReason_ = reason;
  return code;
}

std::int16_t ImageLibrary::loadBitmap(const QString& path, BitmapGfl** out,
                                      const ParametrosCarga& params) {
  *out = nullptr;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return fail(cannotRead,
                QFileInfo::exists(path)
                    ? QStringLiteral("No se puede mostrar la imagen: no se puede abrir el archivo "
                                     "%1.")
                          .arg(path)
                    : QStringLiteral("No se puede mostrar la imagen: el archivo %1 ya no existe.")
                          .arg(path));
  }
  // The decoder gets the bytes, never the name: GraphicsMagick reads some names as format
  // prefixes or commands. Read rather than mapped, so a file cut short meanwhile cannot fault.
  const QByteArray contents = file.readAll();
  if (contents.isEmpty()) {
    return fail(cannotRead,
                QStringLiteral("No se puede mostrar la imagen: el archivo está vacío."));
  }
  return loadBitmapFromMemory(contents.constData(), static_cast<std::size_t>(contents.size()), out,
                              params);
}

std::int16_t ImageLibrary::loadBitmapFromMemory(const void* bytes, std::size_t size,
                                                BitmapGfl** out, const ParametrosCarga& params) {
  *out = nullptr;
  if (!initialised_) {
    return fail(notInitialised);
  }
  MagickRead read;
  if (!read.readPcx(bytes, size)) {
    return fail(cannotRead, reasonOf(read.exception()));
  }
  const Image& image = *read.image();
  const Layout layout = layoutOf(image);
  const std::int64_t width = image.columns;
  const std::int64_t height = image.rows;
  const std::int64_t bytesPerPixel = layout.kind == BitmapGfl::trueColour ? 3 : 1;
  const std::int64_t padding = params.linePadding == 0 ? 1 : params.linePadding;
  const std::int64_t stride = (width * bytesPerPixel + padding - 1) / padding * padding;
  if (width > int32Max || height > int32Max || stride > int32Max || stride * height > int32Max) {
    return fail(tooLarge, imageTooLargeText(width, height));
  }

  BitmapGfl bitmap;
  bitmap.kind = layout.kind;
  bitmap.width = static_cast<std::int32_t>(width);
  bitmap.height = static_cast<std::int32_t>(height);
  bitmap.bytesPerLine = static_cast<std::int32_t>(stride);
  bitmap.rows =
      static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(stride * height), 1));
  if (layout.kind == BitmapGfl::colourMapped) {
    bitmap.colourMap = newColourMap(image);
  }
  auto* record = new (std::nothrow) BitmapGfl(bitmap);
  if (bitmap.rows == nullptr || (layout.kind == BitmapGfl::colourMapped && !bitmap.colourMap) ||
      record == nullptr) {
    freeBitmapData(bitmap);
    memoryFree(record);
    return fail(noMemory);
  }

  const bool bottomFirst = params.origin == ParametrosCarga::bottomFirst;
  const bool bgr = params.colourOrder == ParametrosCarga::bgr;
  for (std::int64_t y = 0; y < height; ++y) {
    const PixelPacket* pixels =
        AcquireImagePixels(&image, 0, static_cast<long>(y), image.columns, 1, &read.exception());
    const IndexPacket* indexes = AccessImmutableIndexes(&image);
    if (pixels == nullptr || (layout.kind != BitmapGfl::trueColour && indexes == nullptr)) {
      freeBitmapData(*record);
      memoryFree(record);
      return fail(cannotRead, reasonOf(read.exception()));
    }
    const std::int64_t target = bottomFirst ? height - 1 - y : y;
    copyRow(pixels, indexes, layout, image, bgr, bitmap.rows + target * stride);
  }
  *out = record;
  return ok;
}

std::int16_t ImageLibrary::changeColorDepth(const BitmapGfl& source, BitmapGfl** out, int mode,
                                            int /*parameter*/) {
  *out = nullptr;
  if (mode != modeDrawable) {
    return fail(unknownMode,
                QStringLiteral("No se puede mostrar la imagen: el visor no admite la conversión "
                               "de color número %1.")
                    .arg(mode));
  }
  // What this library loads is already in a drawable layout: the result is a faithful copy
  // that the caller owns apart from the source.
  BitmapGfl copy = source;
  copy.rows = nullptr;
  copy.colourMap = nullptr;
  const std::size_t rowBytes = static_cast<std::size_t>(std::max(source.bytesPerLine, 0)) *
                               static_cast<std::size_t>(std::max(source.height, 0));
  if (source.rows != nullptr && rowBytes > 0) {
    copy.rows = static_cast<std::uint8_t*>(std::malloc(rowBytes));
  }
  if (source.colourMap != nullptr) {
    copy.colourMap = static_cast<std::uint8_t*>(std::malloc(768));
  }
  auto* record = new (std::nothrow) BitmapGfl(copy);
  if ((source.rows != nullptr && rowBytes > 0 && copy.rows == nullptr) ||
      (source.colourMap != nullptr && copy.colourMap == nullptr) || record == nullptr) {
    freeBitmapData(copy);
    memoryFree(record);
    return fail(noMemory);
  }
  if (copy.rows != nullptr) {
    std::memcpy(copy.rows, source.rows, rowBytes);
  }
  if (copy.colourMap != nullptr) {
    std::memcpy(copy.colourMap, source.colourMap, 768);
  }
  *out = record;
  return ok;
}

QString ImageLibrary::errorString(std::int16_t code) const {
  if (code == lastCode_ && !lastReason_.isEmpty()) {
    return lastReason_;
  }
  switch (code) {
    case ok:
      return QStringLiteral("Correcto.");
    case cannotRead:
      return QStringLiteral("No se puede mostrar la imagen: el archivo no se puede leer.");
    case tooLarge:
      return QStringLiteral(
          "No se puede mostrar la imagen: es más grande de lo que el visor admite.");
    case noMemory:
      return QStringLiteral("No se puede mostrar la imagen: no hay memoria suficiente.");
    case unknownMode:
      return QStringLiteral(
          "No se puede mostrar la imagen: el visor no admite esa conversión de color.");
    case notInitialised:
      return QStringLiteral(
          "No se puede mostrar la imagen: la biblioteca de imágenes no está iniciada.");
    default:
      return QStringLiteral("No se puede mostrar la imagen: error desconocido número %1.")
          .arg(code);
  }
}

void ImageLibrary::freeBitmapData(BitmapGfl& bitmap) {
  std::free(bitmap.rows);
  std::free(bitmap.colourMap);
  bitmap.rows = nullptr;
  bitmap.colourMap = nullptr;
}
