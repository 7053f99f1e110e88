#!/usr/bin/env bash
# Builds the clipboard DIB/BMP reader fuzzer with clang, AddressSanitizer and UBSan, seeds it
# with bitmaps of every kind ImageMagick writes, and runs it for a bounded time.
# Usage: scripts/fuzz-dib.sh [seconds]   (default 600); build in $KORIMO_FUZZ_BUILD_DIR.
set -euo pipefail
. "$(dirname "$0")/fuzz-common.sh"
fuzz_prepare dib "${1:-}"
if command -v convert >/dev/null && [ -z "$(ls -A "$seeds")" ]; then
    src=$seeds/src.png
    convert -size 13x7 gradient:red-blue -alpha set -channel A -fx 'i/w' "$src"
    convert "$src" -alpha off -type TrueColor "BMP3:$seeds/rgb24.bmp"
    convert "$src" -alpha off -colors 200 -type Palette "BMP3:$seeds/pal8.bmp"
    convert "$src" -alpha off -colors 12 -type Palette "BMP3:$seeds/pal4.bmp"
    convert "$src" -alpha off -monochrome "BMP3:$seeds/mono.bmp"
    convert "$src" -alpha off -define bmp:subtype=RGB565 "BMP:$seeds/rgb565.bmp"
    convert "$src" "BMP:$seeds/argb32.bmp"
    convert "$src" -alpha off "BMP2:$seeds/core24.bmp"
    rm "$src"
    for f in "$seeds"/*.bmp; do tail -c +15 "$f" >"${f%.bmp}.dib"; done
fi

"$build/fuzz/korimo_fuzz_dib" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
    -rss_limit_mb=4096 -print_final_stats=1 "$corpus" "$seeds"
