// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ThumbnailMaker.h"

#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "fs/UniqueFd.h"
#include "viewer/ImageLibrary.h"
#include "viewer/ImagePipeline.h"
#include "viewer/ThumbnailCache.h"

#include <QFile>
#include <QImageReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdint>
#include <cstdlib>

namespace {

// What the viewer's library reads would be hundreds of megabytes only for a picture it refuses.
constexpr std::size_t maxPcxBytes = std::size_t{256} << 20;

// The manufacturer byte, a known version and run-length encoding.
bool looksLikePcx(const unsigned char (&head)[3]) {
  return head[0] == 0x0A && (head[1] == 0 || (head[1] >= 2 && head[1] <= 5)) && head[2] == 1;
}

QImage fromPcx(int fd) {
  QByteArray bytes;
  if (readAll(fd, maxPcxBytes, bytes) != 0 || bytes.isEmpty()) {
    return {};
  }
  ImageLibrary library;
  library.init();
  const ParametrosCarga params = ImagePipeline::drawableLoadParams();
  BitmapGfl* loaded = nullptr;
  if (library.loadBitmapFromMemory(bytes.constData(), static_cast<std::size_t>(bytes.size()),
                                   &loaded, params) != ImageLibrary::ok) {
    return {};
  }
  bytes = QByteArray();
  ImagePipeline pipeline(library);
  pipeline.tomarBitmap(loaded);
  const BitmapGfl& bitmap = pipeline.bitmapActual();
  QImage picture(bitmap.width, bitmap.height, QImage::Format_RGB32);
  if (picture.isNull() || dibujarBitmap(bitmap, picture)) {
    return {};
  }
  return fittedThumbnail(std::move(picture));
}

std::uint32_t littleEndian(const unsigned char* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = value << 8 | bytes[i];
  }
  return value;
}

// Qt draws what rows a cut BMP holds and leaves the rest blank; such a file is damaged.
bool bmpCutShort(int fd, off_t fileSize) {
  unsigned char header[34] = {};
  if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)) {
    return true;
  }
  const std::uint32_t offset = littleEndian(header + 10, 4);
  const bool core = littleEndian(header + 14, 4) == 12;
  const std::int64_t width =
      core ? littleEndian(header + 18, 2) : static_cast<std::int32_t>(littleEndian(header + 18, 4));
  const std::int64_t height =
      core ? littleEndian(header + 20, 2) : static_cast<std::int32_t>(littleEndian(header + 22, 4));
  const std::uint32_t bits = littleEndian(header + (core ? 24 : 28), 2);
  const std::uint32_t compression = core ? 0 : littleEndian(header + 30, 4);
  if (compression != 0 && compression != 3) {
    return false;  // run-length encoded rows have no size to check before decoding
  }
  const std::int64_t rowBytes = (std::abs(width) * bits + 31) / 32 * 4;
  return static_cast<std::int64_t>(offset) + rowBytes * std::abs(height) > fileSize;
}

QImage fromQtReader(int fd, off_t fileSize) {
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
    return {};
  }
  QImageReader reader(&file);
  const QByteArray format = reader.format();
  if ((format != "bmp" && format != "png" && format != "jpeg") ||
      (format == "bmp" && bmpCutShort(fd, fileSize))) {
    return {};
  }
  reader.setAutoTransform(true);
  const QSize size = reader.size();
  if (size.isValid() && thumbnailSize(size) != size) {
    reader.setScaledSize(thumbnailSize(size));
  }
  QImage picture;
  return reader.read(&picture) ? fittedThumbnail(std::move(picture)) : QImage();
}

}  // namespace

QImage makeThumbnail(const QByteArray& path) {
  const UniqueFd fd(::open(path.constData(), openflags::untrusted | O_CLOEXEC));
  struct stat info {};
  if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return {};
  }
  unsigned char head[3] = {};
  if (::pread(fd.get(), head, sizeof head, 0) != static_cast<ssize_t>(sizeof head)) {
    return {};
  }
  return looksLikePcx(head) ? fromPcx(fd.get()) : fromQtReader(fd.get(), info.st_size);
}

QSize thumbnailSize(QSize picture) {
  constexpr int edge = ThumbnailCache::edge;
  if (picture.width() <= edge && picture.height() <= edge) {
    return picture;
  }
  const QSize fitted = picture.scaled(edge, edge, Qt::KeepAspectRatio);
  return {std::max(fitted.width(), 1), std::max(fitted.height(), 1)};
}

QImage fittedThumbnail(QImage picture) {
  if (picture.isNull()) {
    return {};
  }
  const QSize fitted = thumbnailSize(picture.size());
  if (fitted != picture.size()) {
    picture = picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  const QImage::Format format =
      picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  return picture.format() == format ? picture : picture.convertToFormat(format);
}
