// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ThumbnailCache.h"
#include "viewer/ThumbnailLoader.h"
#include "viewer/ThumbnailMaker.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

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

struct World {
  QTemporaryDir dir;
  QString root = dir.filePath(QStringLiteral("cache"));
  QString source = dir.filePath(QStringLiteral("captura 1.bmp"));
  QByteArray sourcePath = QFile::encodeName(source);
  qint64 modified = 0;

  World() {
    QImage picture(320, 180, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    picture.save(source, "BMP");
    struct stat info {};
    ::stat(sourcePath.constData(), &info);
    modified = info.st_mtim.tv_sec;
  }
  QString normal() const { return root + QStringLiteral("/thumbnails/normal"); }
  QString entry() const {
    return normal() + '/' + QString::fromLatin1(entryName(fileUri(sourcePath)));
  }
  // An entry as a file manager writes it, in red, so that its use shows.
  QByteArray managersEntry(const QByteArray& uri, qint64 mtime, int side = 64) const {
    QImage red(side, side * 9 / 16, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(uri));
    red.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "PNG");
    return png;
  }
  void plant(const QByteArray& bytes) const {
    QDir().mkpath(normal());
    QFile file(entry());
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
  }
  QByteArray read(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
};

mode_t modeOf(const QString& path) {
  struct stat info {};
  ::lstat(QFile::encodeName(path).constData(), &info);
  return info.st_mode;
}

// Root writes anywhere: as root, the step runs as "nobody" over a cache folder of its own.
void asUserWithoutWrite(World& w, const std::function<void()>& step) {
  QDir().mkpath(w.root);
  const QByteArray root = QFile::encodeName(w.root);
  const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
  if (nobody != nullptr) {
    ASSERT_EQ(chmod(QFile::encodeName(w.dir.path()).constData(), 0755), 0);
    ASSERT_EQ(chown(root.constData(), nobody->pw_uid, nobody->pw_gid), 0);
  }
  ASSERT_EQ(chmod(root.constData(), 0500), 0);
  ASSERT_TRUE(nobody == nullptr || seteuid(nobody->pw_uid) == 0);
  step();
  ASSERT_TRUE(nobody == nullptr || seteuid(0) == 0);
}

// The entry that matches is used as it is; any other is passed over and the thumbnail made
// from the file, and kept when the cache can be written, in the form file managers read.
TEST(ThumbnailCache, AnEntryIsUsedOnlyWhenItMatchesTheFileAndIsOurs) {
  enum class After { Used, Remade, NothingWritten };
  const struct Case {
    const char* what;
    std::function<void(World&)> plant;
    After after;
  } cases[] = {
      {"no entry", [](World&) {}, After::Remade},
      {"a matching entry",
       [](World& w) { w.plant(w.managersEntry(fileUri(w.sourcePath), w.modified)); }, After::Used},
      {"a stale Thumb::MTime",
       [](World& w) { w.plant(w.managersEntry(fileUri(w.sourcePath), w.modified - 1)); },
       After::Remade},
      {"another file's Thumb::URI",
       [](World& w) { w.plant(w.managersEntry("file:///tmp/otra.bmp", w.modified)); },
       After::Remade},
      {"a truncated PNG",
       [](World& w) {
         const QByteArray whole = w.managersEntry(fileUri(w.sourcePath), w.modified);
         w.plant(whole.left(whole.size() / 2));
       },
       After::Remade},
      {"larger than a normal thumbnail",
       [](World& w) { w.plant(w.managersEntry(fileUri(w.sourcePath), w.modified, 256)); },
       After::Remade},
      {"a link to a matching entry",
       [](World& w) {
         const QString elsewhere = w.dir.filePath(QStringLiteral("elsewhere.png"));
         QFile file(elsewhere);
         file.open(QIODevice::WriteOnly);
         file.write(w.managersEntry(fileUri(w.sourcePath), w.modified));
         QDir().mkpath(w.normal());
         QFile::link(elsewhere, w.entry());
       },
       After::Remade},
      {"an unwritable cache folder", [](World&) {}, After::NothingWritten},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    World w;
    c.plant(w);
    const QByteArray before = w.read(w.entry());
    QImage shown;
    const auto step = [&] {
      shown = thumbnailThroughCache(w.sourcePath, ThumbnailCache(w.root), makeThumbnail);
    };
    if (c.after == After::NothingWritten) {
      asUserWithoutWrite(w, step);
    } else {
      step();
    }

    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2),
              c.after == After::Used ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    if (c.after == After::NothingWritten) {
      EXPECT_EQ(shown.size(), QSize(128, 72));
      EXPECT_TRUE(QDir(w.root).isEmpty());
      continue;
    }
    const QByteArray after = w.read(w.entry());
    if (c.after == After::Used) {
      EXPECT_EQ(after, before);
      continue;
    }
    EXPECT_TRUE(S_ISREG(modeOf(w.entry())));
    EXPECT_EQ(modeOf(w.entry()) & 07777, 0600u);
    EXPECT_EQ(modeOf(w.normal()) & 07777, 0700u);
    EXPECT_EQ(modeOf(w.root + QStringLiteral("/thumbnails")) & 07777, 0700u);
    EXPECT_EQ(QDir(w.normal()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QFileInfo(w.entry()).fileName()});
    const QMap<QByteArray, QByteArray> texts = plainTexts(after);
    EXPECT_EQ(texts.value("Thumb::URI"), fileUri(w.sourcePath));
    EXPECT_EQ(texts.value("Thumb::MTime"), QByteArray::number(w.modified));
    EXPECT_EQ(QImage::fromData(after, "PNG"), shown);
  }
}

// The URI is hashed byte for byte as GLib spells it (these are what its "gio info" prints),
// or a file manager never finds the entry.
TEST(ThumbnailCache, TheUriIsSpelledAsFileManagersSpellIt) {
  const struct {
    QByteArray path;
    QByteArray uri;
  } cases[] = {
      {"/tmp/giot/a b;\xc3\xb1.bmp", "file:///tmp/giot/a%20b%3B%C3%B1.bmp"},
      {"/tmp/giot/x !\"#$%&'()*+,-.:;<=>?@[\\]^_`{|}~.bmp",
       "file:///tmp/giot/x%20!%22%23$%25&'()*+,-.:%3B%3C=%3E%3F@%5B%5C%5D%5E_%60%7B%7C%7D~.bmp"},
      {"/tmp/giot/a\xff.bmp", "file:///tmp/giot/a%FF.bmp"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fileUri(c.path), c.uri);
  }
}

}  // namespace
