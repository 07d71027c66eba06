#!/bin/sh
# Draws the window's 32x32 icon (ravlin.png), the Windows icon (ravlin.ico) from it, and the
# desktop's other sizes from ravlin.svg. Needs ImageMagick and rsvg-convert (librsvg2-bin).
# The picture: a blue tile with rows of "pixels", long runs drawn as one bar and short literal
# stretches as single squares, the way the run-length code sees an image.
set -eu
cd "$(dirname "$0")"
IM=/usr/bin/convert
$IM -size 32x32 gradient:'#8cc4ff'-'#1d5cad' \
    \( -size 32x32 xc:none -fill white -draw 'roundrectangle 0,0 31,31 6,6' \) \
    -compose DstIn -composite -compose Over \
    -fill none -stroke '#0d3466' -strokewidth 1 -draw 'roundrectangle 0.5,0.5 30.5,30.5 6,6' \
    -stroke none \
    -fill '#ffffff' -draw 'rectangle 6,6 25,9' \
    -fill '#ffd0d0' -draw 'rectangle 6,12 9,15' -draw 'rectangle 12,12 15,15' \
    -fill '#ffffff' -draw 'rectangle 18,12 25,15' \
    -fill '#ffffff' -draw 'rectangle 6,18 13,21' \
    -fill '#ffd0d0' -draw 'rectangle 16,18 19,21' -draw 'rectangle 22,18 25,21' \
    -fill '#cc5106' -draw 'rectangle 6,24 25,25' \
    -define png:color-type=6 -strip ravlin.png
$IM ravlin.png ravlin.ico
# The desktop's icon sizes, drawn from the same artwork as a scalable picture (ravlin.svg); the
# 32x32 one is ravlin.png itself.
for size in 16 24 48 64 128 256; do
  rsvg-convert -w $size -h $size ravlin.svg | $IM - -define png:color-type=6 -strip ravlin-$size.png
done
