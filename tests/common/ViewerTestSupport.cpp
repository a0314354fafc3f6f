// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ViewerTestSupport.h"

#include "common/Netpbm.h"

#include <QFile>

void copyFixture(TestWorld& world, const QString& fixtureName, const QString& relative) {
  QFile source(fixture(fixtureName));
  if (!source.open(QIODevice::ReadOnly)) {
    qFatal("missing fixture");
  }
  world.writeFile(relative, source.readAll());
}

void setUpSaveFolder(TestWorld& world, const QStringList& fixtures, const QString& folder) {
  world.makeFolder(QStringLiteral("in"));
  world.makeFolder(folder);
  world.writeConfig({QStringLiteral("Dir1=") + world.path(QStringLiteral("in")),
                     QStringLiteral("Dir2=") + world.path(folder), QStringLiteral("Pref=Lote_"),
                     QStringLiteral("Imagenes=5"), QStringLiteral("Ext=*.pcx")});
  for (const QString& name : fixtures) {
    copyFixture(world, name, folder + QLatin1Char('/') + name);
  }
}

bool showsPicture(const QImage& image, const QString& source) {
  const NetpbmPicture picture = readNetpbm(fixture(source));
  if (image.width() < picture.width || image.height() < picture.height) {
    return false;
  }
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (image.pixel(x, y) != picture.at(x, y)) {
        return false;
      }
    }
  }
  return true;
}
