#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Rebuilds the PCX fixtures from the plain netpbm sources beside them. The fixtures are written
# by netpbm, never by the decoder under test; the tests read the expected pixels from the sources.
set -eu
cd "$(dirname "$0")"

awk 'BEGIN { print "P3"; print "101 3"; print "255";
  for (y = 0; y < 3; y++) for (x = 0; x < 101; x++)
    printf "%d %d %d\n", (x * 2 + y) % 256, (255 - x) % 256, (x * 7 + y * 50) % 256 }' > wide101.ppm
awk 'BEGIN { print "P3"; print "101 2"; print "255";
  for (y = 0; y < 2; y++) for (x = 0; x < 101; x++)
    printf "%d %d %d\n", (x % 20) * 12, (x % 20) * 3, 250 - (x % 20) * 10 + y }' > wide101pal.ppm

# A grey palette of all 256 levels in a scrambled order: index i holds level (37 i + 11) mod 256.
awk 'BEGIN { print "P3"; print "256 1"; print "255";
  for (i = 0; i < 256; i++) { v = (i * 37 + 11) % 256; printf "%d %d %d\n", v, v, v } }' > greypal.ppm

# Four solid quadrants, large enough to find on a screenshot.
awk 'BEGIN { print "P3"; print "64 48"; print "255";
  for (y = 0; y < 48; y++) for (x = 0; x < 64; x++) {
    if (y < 24) print (x < 32 ? "255 0 0" : "0 255 0"); else print (x < 32 ? "0 0 255" : "255 255 0") } }' > quadrants.ppm

ppmtopcx -quiet two.pbm > two.pcx
ppmtopcx -quiet -8bit -palette=greypal.ppm grey.pgm > grey.pcx
ppmtopcx -quiet planar16.ppm > planar16.pcx
ppmtopcx -quiet -packed packed4.ppm > packed4.pcx
ppmtopcx -quiet pal8.ppm > pal8.pcx
ppmtopcx -quiet -24bit rgb24.ppm > rgb24.pcx
ppmtopcx -quiet -24bit wide101.ppm > wide101.pcx
ppmtopcx -quiet -8bit wide101pal.ppm > wide101pal.pcx
ppmtopcx -quiet -24bit quadrants.ppm > quadrants.pcx

# A damaged file: the header of a valid one, cut short in its pixel data.
head -c 140 pal8.pcx > damaged.pcx
