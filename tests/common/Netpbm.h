// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRgb>
#include <QString>

#include <string>
#include <vector>

// A picture read from a plain-text netpbm file (P1, P2 or P3): the expected pixels of the PCX
// fixture that netpbm made from it.
struct NetpbmPicture {
  int width = 0;
  int height = 0;
  std::vector<QRgb> pixels;  // top row first

  QRgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

NetpbmPicture readNetpbm(const QString& path);

// The path of a file under tests/data.
QString fixture(const QString& name);

// A fixture's name without its extension, for a test's name that stays the same from run to run.
std::string fixtureStem(const char* name);
