#!/usr/bin/env bash
# Draws the program's banner (249 x 41) and its icon (32, 64 and 128 pixels) with ImageMagick.
# The images are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
convert -size 249x41 gradient:'#1f3b5c'-'#4f7fae' \
  -fill '#f2c14e' -draw 'rectangle 0,36 249,41' \
  -font "$font" -pointsize 22 -fill white -annotate +10+27 'Varndel' \
  -font "$font" -pointsize 9 -fill '#dfe8f2' -annotate +118+16 'lotes de capturas' \
  banner.png
# The icon is drawn on a 32 x 32 grid and scaled for the larger sizes of the icon theme.
for size in 32 64 128; do
  name=icon-$size.png
  [ $size = 32 ] && name=icon.png
  convert -size ${size}x${size} xc:none -draw "scale $((size / 32)),$((size / 32))
    fill '#1f3b5c' roundrectangle 1,4 30,28 4,4
    fill '#4f7fae' rectangle 4,8 27,24
    fill '#f2c14e' circle 16,16 16,11
    fill white rectangle 22,6 26,8" "$name"
done
