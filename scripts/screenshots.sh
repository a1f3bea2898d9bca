#!/usr/bin/env bash
# Makes the README's screenshots again: the comparison window with a picture loaded at a low
# quality, and the full-screen preview, from the real binary under Xvfb with openbox. The picture
# is drawn here with ImageMagick, so nothing is fetched.
#
#     bash scripts/screenshots.sh [ZAVO-BINARY] [OUTPUT-FOLDER]
#
# The binary defaults to build/src/app/zavo, the folder to docs/.
set -euo pipefail
SOURCE=$(cd "$(dirname "$0")/.." && pwd)
ZAVO=$(realpath "${1:-$SOURCE/build/src/app/zavo}")
OUT=$(realpath -m "${2:-$SOURCE/docs}")
[ -x "$ZAVO" ] || { echo "no program at $ZAVO: build it first (bash scripts/run.sh)" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb
# shellcheck source=tests/e2e/common.sh
source "$SOURCE/tests/e2e/common.sh"
mkdir -p "$OUT"
start_session
start_wm

# A landscape: a graded sky with a sun, hills and a path of fractal texture. The smooth sky shows
# the blocks and bands of a strong compression, the texture its blur.
picture="$work/landscape.bmp"
convert -size 560x360 gradient:'#2a5d9f'-'#d8ecf7' \
    -fill '#fff6c8' -draw 'circle 412,86 412,114' \
    \( -size 560x360 -seed 5 plasma:fractal -colorspace gray -blur 0x1 +level-colors '#1d4a17','#b5d66a' \) \
    \( -size 560x360 xc:black -fill white \
       -draw 'path "M 0,236 C 140,169 256,270 373,214 C 466,169 513,202 560,191 L 560,360 L 0,360 Z"' \) \
    -composite \
    \( -size 560x360 -seed 9 plasma:fractal -colorspace gray -blur 0x2 +level-colors '#4a3826','#8a6a44' \) \
    \( -size 560x360 xc:black -fill white -draw 'path "M 52,360 C 131,324 219,297 289,270 C 262,306 228,333 219,360 Z"' \) \
    -composite -depth 8 -type TrueColor "BMP3:$picture"

"$ZAVO" 2>"$work/stderr" &
APP_PID=$!
win=$(wait_window zavo)
load_through_dialog "$win" "$picture"
xdotool windowactivate --sync "$win"
# The quality edit (240..273, 0..24 while the window has its first size), stepped down from 80
# to 20 with the arrow key.
xdotool mousemove --window "$win" 256 12 click 1
xdotool key --delay 300 Down Down Down Down Down Down
# Both panes show the whole picture side by side.
xdotool windowsize --sync "$win" 1160 396
# The pointer away from the window, so that no hint shows.
xdotool mousemove 1270 1010
sleep 2
wait_drawn "$win"
import -frame -window "$win" "$work/window.png"

xdotool key space
full=$(wait_window プレビュー)
wait_drawn "$full"
sleep 1
import -window root "$work/preview.png"
xdotool key Escape

# Palette PNGs keep each file small; the screenshots have few colours beyond the picture's.
for shot in window preview; do
    convert "$work/$shot.png" -strip -dither None -colors 256 "PNG8:$OUT/$shot.png"
    echo "$OUT/$shot.png: $(stat -c %s "$OUT/$shot.png") bytes"
done
