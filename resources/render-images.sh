#!/usr/bin/env bash
# Renders the program's pictures from their vector sources in images-src/.
#
# The build uses the committed files in images/ and windows/ as they are and
# never runs this script. Run it only after changing a picture, then commit the
# changed SVG together with its rendered output.
#
# Needs rsvg-convert (librsvg2-bin), ImageMagick 6 (imagemagick) and python3.
# ImageMagick is called by its full path so that no other "convert" on PATH
# is picked up by mistake.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
src="$here/images-src"
out="$here/images"
win="$here/windows"
CONVERT=/usr/bin/convert

command -v rsvg-convert >/dev/null || { echo "rsvg-convert not found (package librsvg2-bin)" >&2; exit 1; }
[[ -x $CONVERT ]] || { echo "$CONVERT not found (package imagemagick)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "python3 not found" >&2; exit 1; }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out" "$win"

# No timestamps or colour-management chunks, so that output is byte-identical
# from one run to the next and displays the same everywhere.
PNGOPTS=(-strip -define png:exclude-chunk=bKGD,cHRM,gAMA,iCCP,sRGB,tEXt,zTXt,iTXt,tIME,date)

# svg_to_png NAME WIDTH HEIGHT: rasterise images-src/NAME.svg into a temp PNG.
svg_to_png() {
    rsvg-convert --width "$2" --height "$3" --keep-aspect-ratio=false \
        --format png --output "$tmp/$1-$2.png" "$src/$1.svg"
}

# rgba NAME WIDTH HEIGHT [extra convert options...]: 32-bit RGBA PNG.
rgba() {
    local name=$1 w=$2 h=$3
    shift 3
    svg_to_png "$name" "$w" "$h"
    "$CONVERT" "$tmp/$name-$w.png" "${PNGOPTS[@]}" "$@" "PNG32:$out/$name.png"
}

# gif NAME WIDTH HEIGHT: single-frame GIF89a with a 256-entry global colour
# table and one transparent colour for the cut-away corners.
gif() {
    local name=$1 w=$2 h=$3
    svg_to_png "$name" "$w" "$h"
    "$CONVERT" "$tmp/$name-$w.png" -strip -channel A -threshold 50% +channel \
        -background none -dither None -colors 255 "GIF:$tmp/$name.gif"
    pad_gif_palette "$tmp/$name.gif" "$out/$name.gif"
}

# ImageMagick sizes the global colour table to the colours in use; widen it to
# the full 256 entries (unused entries are black), leaving the pixels alone.
pad_gif_palette() {
    python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
if data[:6] not in (b"GIF87a", b"GIF89a"):
    sys.exit("not a GIF: " + sys.argv[1])
packed = data[10]
if not packed & 0x80:
    sys.exit("no global colour table: " + sys.argv[1])
size = 2 << (packed & 7)
table_end = 13 + 3 * size
table = data[13:table_end] + bytes(3 * (256 - size))
packed = 0x80 | 0x70 | (packed & 0x08) | 7
out = b"GIF89a" + data[6:10] + bytes([packed]) + data[11:13] + table + data[table_end:]
open(sys.argv[2], "wb").write(out)
PY
}

rgba logo3 84 84
rgba icon_clipboard 32 32 -interlace PNG
svg_to_png lista 16 16
"$CONVERT" "$tmp/lista-16.png" "${PNGOPTS[@]}" "PNG8:$out/lista.png"
rgba defpa 30 20
rgba contactus 33 23
rgba Help-portal_about 40 40
rgba always-on-top 48 48
rgba update 48 48
rgba about_vert_bar 72 245
rgba people 140 140
rgba paypal-donate 32 32
rgba list 32 32
rgba logo 64 64
rgba money-sheet-11 48 48
rgba geld 64 64
rgba delete 22 22
rgba clear 32 32
rgba paypal_button 48 29
gif donate 40 20
gif Paypal_DonateButton 62 31

# Windows icon: the badge at 256, 48, 32 and 16 pixels, 32 bits with alpha;
# the 256 pixel image (stored as PNG) stays sharp at 150 to 200 % scaling.
for s in 256 48 32 16; do
    svg_to_png logo3 "$s" "$s"
    "$CONVERT" "$tmp/logo3-$s.png" "${PNGOPTS[@]}" "PNG32:$tmp/ico-$s.png"
done
"$CONVERT" "$tmp/ico-256.png" "$tmp/ico-48.png" "$tmp/ico-32.png" "$tmp/ico-16.png" "ICO:$win/metrino.ico"

# Linux desktop icons: the badge in the hicolor sizes, installed by
# packaging/CMakeLists.txt together with the badge's SVG as the scalable one.
icons="$(dirname "$here")/packaging/linux/icons"
mkdir -p "$icons"
for s in 16 22 24 32 48 64 128 256; do
    svg_to_png logo3 "$s" "$s"
    "$CONVERT" "$tmp/logo3-$s.png" "${PNGOPTS[@]}" "PNG32:$icons/metrino-$s.png"
done

echo "Rendered $(ls "$out" | wc -l) images into $out, the icon into $win and the desktop icons into $icons"
