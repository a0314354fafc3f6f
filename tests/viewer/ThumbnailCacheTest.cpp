// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "viewer/ThumbnailCache.h"
#include "viewer/ThumbnailLoader.h"
#include "viewer/ThumbnailMaker.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QtEndian>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The plain tEXt chunks of a PNG, the only ones some readers of the cache look at.
QMap<QByteArray, QByteArray> plainTexts(const QByteArray& png) {
  QMap<QByteArray, QByteArray> texts;
  for (qsizetype at = 8; at + 12 <= png.size();) {
    const auto length = static_cast<qsizetype>(qFromBigEndian<quint32>(png.constData() + at));
    const QByteArray data = png.mid(at + 8, length);
    if (png.mid(at + 4, 4) == "tEXt") {
      texts.insert(data.left(data.indexOf('\0')), data.mid(data.indexOf('\0') + 1));
    }
    at += 12 + length;
  }
  return texts;
}

// An entry as a file manager writes it, in red so that its use shows.
QByteArray managersEntry(const QByteArray& uri, qint64 modified, int width = 64) {
  QImage red(width, width * 9 / 16, QImage::Format_RGB32);
  red.fill(Qt::red);
  red.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(uri));
  red.setText(QStringLiteral("Thumb::MTime"), QString::number(modified));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  red.save(&buffer, "PNG");
  return png;
}

mode_t modeOf(const QString& path) {
  struct stat info {};
  ::lstat(QFile::encodeName(path).constData(), &info);
  return info.st_mode;
}

// The entry that matches the file as it is now is used as it is; any other is passed over, and
// the thumbnail made from the file is kept, as file managers read it, where the cache can be
// written.
TEST(ThumbnailCache, AnEntryIsUsedOnlyWhenItMatchesTheFileAndIsOurs) {
  enum Planted { Nothing, Matching, StaleTime, OtherUri, Truncated, TooLarge, Link, Unwritable };
  for (const Planted planted :
       {Nothing, Matching, StaleTime, OtherUri, Truncated, TooLarge, Link, Unwritable}) {
    SCOPED_TRACE(planted);
    TestWorld world;
    const QString root = world.makeFolder(QStringLiteral("cache"));
    const QByteArray source = QFile::encodeName(world.path(QStringLiteral("captura 1.bmp")));
    QImage blue(320, 180, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    blue.save(QFile::decodeName(source), "BMP");
    struct stat info {};
    ASSERT_EQ(::stat(source.constData(), &info), 0);
    const qint64 modified = info.st_mtim.tv_sec;
    const QByteArray uri = fileUri(source);
    const QString entry = QStringLiteral("cache/thumbnails/normal/") + entryName(uri);
    const QByteArray matching = managersEntry(uri, modified);
    world.makeFolder(QStringLiteral("cache/thumbnails/normal"));
    const QMap<Planted, QByteArray> planting = {
        {Matching, matching},
        {StaleTime, managersEntry(uri, modified - 1)},
        {OtherUri, managersEntry("file:///tmp/otra.bmp", modified)},
        {Truncated, matching.left(matching.size() / 2)},
        {TooLarge, managersEntry(uri, modified, 256)}};
    if (planting.contains(planted)) {
      world.writeFile(entry, planting[planted]);
    } else if (planted == Link) {
      world.writeFile(QStringLiteral("elsewhere.png"), matching);
      QFile::link(world.path(QStringLiteral("elsewhere.png")), world.path(entry));
    }
    const QByteArray before = world.readFile(entry);
    // Root writes anywhere: the step runs as "nobody", over a cache it may not write to.
    const passwd* nobody = planted == Unwritable && geteuid() == 0 ? getpwnam("nobody") : nullptr;
    if (planted == Unwritable) {
      QDir(root).removeRecursively();
      world.makeFolder(QStringLiteral("cache"));
      ASSERT_EQ(chmod(QFile::encodeName(world.dir.path()).constData(), 0755), 0);
      ASSERT_EQ(chmod(QFile::encodeName(root).constData(), 0500), 0);
      ASSERT_TRUE(nobody == nullptr || seteuid(nobody->pw_uid) == 0);
    }
    const QImage shown = thumbnailThroughCache(source, ThumbnailCache(root), makeThumbnail);
    ASSERT_TRUE(nobody == nullptr || seteuid(0) == 0);

    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2),
              planted == Matching ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    const QByteArray after = world.readFile(entry);
    if (planted == Unwritable) {
      EXPECT_TRUE(QDir(root).isEmpty());
    } else if (planted == Matching) {
      EXPECT_EQ(after, before);
    } else {
      EXPECT_TRUE(S_ISREG(modeOf(world.path(entry))));
      EXPECT_EQ(modeOf(world.path(entry)) & 07777, 0600u);
      EXPECT_EQ(modeOf(root + QStringLiteral("/thumbnails")) & 07777, 0700u);
      EXPECT_EQ(modeOf(root + QStringLiteral("/thumbnails/normal")) & 07777, 0700u);
      EXPECT_EQ(QDir(root + QStringLiteral("/thumbnails/normal"))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .size(),
                1);
      const QMap<QByteArray, QByteArray> texts = plainTexts(after);
      EXPECT_EQ(texts.value("Thumb::URI"), uri);
      EXPECT_EQ(texts.value("Thumb::MTime"), QByteArray::number(modified));
      EXPECT_EQ(QImage::fromData(after, "PNG"), shown);
      EXPECT_EQ(shown.size(), QSize(128, 72));
    }
  }
}

// The URI is hashed byte for byte as GLib spells it (these are what its "gio info" prints),
// or a file manager never finds the entry.
TEST(ThumbnailCache, TheUriIsSpelledAsFileManagersSpellIt) {
  EXPECT_EQ(fileUri("/tmp/giot/a b;\xc3\xb1.bmp"), "file:///tmp/giot/a%20b%3B%C3%B1.bmp");
  EXPECT_EQ(
      fileUri("/tmp/giot/x !\"#$%&'()*+,-.:;<=>?@[\\]^_`{|}~.bmp"),
      "file:///tmp/giot/x%20!%22%23$%25&'()*+,-.:%3B%3C=%3E%3F@%5B%5C%5D%5E_%60%7B%7C%7D~.bmp");
  EXPECT_EQ(fileUri("/tmp/giot/a\xff.bmp"), "file:///tmp/giot/a%FF.bmp");
}

}  // namespace
