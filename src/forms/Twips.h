// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

// Window designs are measured in twips, 15 to the pixel at 96 dots per inch.
constexpr int twips(int value) {
  return value / 15;
}
constexpr QRect twipsRect(int left, int top, int width, int height) {
  return {twips(left), twips(top), twips(width), twips(height)};
}
