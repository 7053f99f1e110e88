#!/usr/bin/env bash
# Draws the program's small pictures into assets/pictures with ImageMagick: the main window's
# decorations and the video list's background. The results are committed; run this only to
# change them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/assets/pictures"
mkdir -p "$out"

gold='rgb(226,199,90)'
png=(-strip -define png:exclude-chunk=date,time)

# A short film strip: sprocket holes above and below three frames, the middle one lit.
holes=""
for x in 4 12 20 28 36 44 52 60; do
  holes+="rectangle $x,3 $((x + 3)),6 rectangle $x,27 $((x + 3)),30 "
done
convert -size 66x34 xc:none \
  -fill 'rgb(22,22,28)' -stroke "$gold" -strokewidth 1 -draw 'roundrectangle 0,0 65,33 3,3' \
  -stroke none -fill 'rgb(150,132,70)' -draw "$holes" \
  -fill 'rgb(70,20,22)' -draw 'rectangle 5,9 20,24 rectangle 45,9 60,24' \
  \( -size 20x16 gradient:'rgb(170,40,36)-rgb(70,6,6)' \) -geometry +23+9 -composite \
  -fill none -stroke "$gold" -draw 'rectangle 23,9 42,24' \
  "${png[@]}" "$out/filmstrip.png"

# A captured still: a small card with a hill and a sun.
convert -size 41x21 xc:none \
  \( -size 41x21 gradient:'rgb(120,20,20)-rgb(40,0,0)' \
     \( -size 41x21 xc:black -fill white -draw 'roundrectangle 0,0 40,20 3,3' \) \
     -alpha off -compose CopyOpacity -composite \) -compose Over -composite \
  -fill 'rgb(236,226,200)' -stroke none -draw 'polygon 4,17 14,8 20,13 25,9 36,17' \
  -fill "$gold" -draw 'circle 31,6 33,6' \
  -fill none -stroke "$gold" -strokewidth 1 -draw 'roundrectangle 0,0 40,20 3,3' \
  "${png[@]}" "$out/still.png"

# A round capture lamp with a gold rim.
convert -size 17x17 xc:none \
  -fill 'rgb(196,28,28)' -stroke "$gold" -strokewidth 1.5 -draw 'circle 8,8 8,1.5' \
  -stroke none -fill 'rgba(255,220,210,0.8)' -draw 'circle 6,6 6,4.5' \
  "${png[@]}" "$out/lamp.png"

# The video list's background: slate shading over its background colour, with film sprocket
# holes down both edges beside the list and a gold line above and below it.
holes=""
for y in $(seq 4 10 264); do
  holes+="rectangle 2,$y 5,$((y + 5)) "
done
convert -size 217x275 gradient:'rgb(124,134,148)-rgb(64,70,82)' +antialias \
  -fill 'rgb(30,32,40)' -stroke 'rgb(150,132,70)' -strokewidth 1 -draw "$holes" \
  \( +clone -crop 8x275+0+0 +repage \) -geometry +193+0 -composite \
  -stroke "$gold" -draw 'line 9,4 191,4 line 9,265 191,265' \
  +dither -colors 128 -strip "GIF:$out/videolist.gif"
