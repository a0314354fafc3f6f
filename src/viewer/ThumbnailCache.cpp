// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ThumbnailCache.h"

#include "fs/PrivateFile.h"
#include "fs/PrivateFolder.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

// A 128 x 128 picture with four bytes a pixel and its text keys takes far less.
constexpr std::size_t maxEntryBytes = std::size_t{1} << 20;

constexpr char uriKey[] = "Thumb::URI";
constexpr char modifiedKey[] = "Thumb::MTime";

bool unescaped(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         (c != 0 && std::strchr("!$&'()*+,-./:=@_~", c) != nullptr);
}

std::uint32_t crc32(const QByteArray& bytes) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> made{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) {
        c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      }
      made[n] = c;
    }
    return made;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    c = table[(c ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (c >> 8);
  }
  return c ^ 0xFFFFFFFFu;
}

void appendBigEndian(QByteArray& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.append(static_cast<char>((value >> shift) & 0xFF));
  }
}

// Qt compresses long texts (zTXt), and some readers of the cache, GLib's among them, look for
// the keys in plain tEXt chunks alone: those are put in by hand, right after the header chunk.
QByteArray withPlainTexts(const QByteArray& png,
                          std::initializer_list<std::pair<const char*, QByteArray>> texts) {
  constexpr qsizetype headerEnd = 8 + 4 + 4 + 13 + 4;  // signature, then IHDR whole
  QByteArray out = png.left(headerEnd);
  for (const auto& [key, value] : texts) {
    const QByteArray chunk = QByteArray("tEXt") + key + '\0' + value;
    appendBigEndian(out, static_cast<std::uint32_t>(chunk.size() - 4));
    out.append(chunk);
    appendBigEndian(out, crc32(chunk));
  }
  return out + png.mid(headerEnd);
}

}  // namespace

QString ThumbnailCache::standardRoot() {
  const QString configured = qEnvironmentVariable("XDG_CACHE_HOME");
  return QDir::isAbsolutePath(configured) ? configured
                                          : QDir::homePath() + QStringLiteral("/.cache");
}

ThumbnailCache::ThumbnailCache(const QString& root) {
  UniqueFd thumbnails;
  const QByteArray path = QFile::encodeName(root) + "/thumbnails";
  if (openPrivateFolder(path.constData(), thumbnails) == 0) {
    openPrivateFolder(thumbnails.get(), "normal", folder_);
  }
}

QImage ThumbnailCache::find(const QByteArray& path, qint64 modified) const {
  if (!usable()) {
    return {};
  }
  const QByteArray uri = fileUri(path);
  QByteArray bytes;
  if (readOwnFile(folder_.get(), entryName(uri).constData(), maxEntryBytes, bytes) != 0) {
    return {};
  }
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "png");
  reader.setDecideFormatFromContent(false);
  const QSize size = reader.size();
  QImage entry;
  if (!size.isValid() || size.width() > edge || size.height() > edge || !reader.read(&entry)) {
    return {};
  }
  bool isNumber = false;
  const qint64 entryModified = entry.text(QLatin1String(modifiedKey)).toLongLong(&isNumber);
  if (entry.text(QLatin1String(uriKey)) != QLatin1String(uri) || !isNumber ||
      entryModified != modified) {
    return {};
  }
  return entry;
}

int ThumbnailCache::store(const QByteArray& path, qint64 modified, const QImage& thumbnail) const {
  if (!usable()) {
    return EACCES;
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  // A view of the pixels alone: the text a decoded PNG brought along is not the entry's.
  QImage pixels(thumbnail.constBits(), thumbnail.width(), thumbnail.height(),
                thumbnail.bytesPerLine(), thumbnail.format());
  pixels.setColorTable(thumbnail.colorTable());
  if (!QImageWriter(&buffer, "png").write(pixels)) {
    return EINVAL;
  }
  const QByteArray uri = fileUri(path);
  const QByteArray entry = withPlainTexts(png, {{uriKey, uri},
                                                {modifiedKey, QByteArray::number(modified)},
                                                {"Software", QByteArrayLiteral("Varndel")}});
  return replaceOwnFile(folder_.get(), entryName(uri).constData(), entry);
}

QByteArray fileUri(const QByteArray& absolutePath) {
  static constexpr char hex[] = "0123456789ABCDEF";
  QByteArray uri("file://");
  uri.reserve(uri.size() + absolutePath.size() * 3);
  for (const char byte : absolutePath) {
    const auto c = static_cast<unsigned char>(byte);
    if (unescaped(c)) {
      uri.append(byte);
    } else {
      uri.append('%').append(hex[c >> 4]).append(hex[c & 15]);
    }
  }
  return uri;
}

QByteArray entryName(const QByteArray& uri) {
  return QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
}
