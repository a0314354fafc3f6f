// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Netpbm.h"

#include <QFile>
#include <QTextStream>

NetpbmPicture readNetpbm(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    qFatal("cannot read fixture source");
  }
  QTextStream in(&file);
  QString magic;
  NetpbmPicture picture;
  in >> magic >> picture.width >> picture.height;
  int maxval = 1;
  if (magic != QLatin1String("P1")) {
    in >> maxval;
  }
  const auto scale = [maxval](int v) { return v * 255 / maxval; };
  for (int i = 0; i < picture.width * picture.height; ++i) {
    int r = 0;
    in >> r;
    if (magic == QLatin1String("P3")) {
      int g = 0;
      int b = 0;
      in >> g >> b;
      picture.pixels.push_back(qRgb(scale(r), scale(g), scale(b)));
    } else if (magic == QLatin1String("P2")) {
      picture.pixels.push_back(qRgb(scale(r), scale(r), scale(r)));
    } else {
      picture.pixels.push_back(r == 1 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
  }
  return picture;
}

QString fixture(const QString& name) {
  return QStringLiteral(VARNDEL_TEST_DATA "/") + name;
}

std::string fixtureStem(const char* name) {
  const std::string stem(name);
  return stem.substr(0, stem.find('.'));
}
