#!/usr/bin/env bash
# The program's main job with real input: LOAD a 24-bit bitmap through the dialog, step the quality
# down twice to 60, SAVE, and compare the saved bytes with libjpeg-turbo's own float-DCT baseline
# encode of the same pixels at 60.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
trap 'stop_all; rm -rf "$work"' EXIT
work=$(mktemp -d)
start_xvfb
export XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
python3 - "$work/in.bmp" <<'PY'
import struct, sys
w, h = 317, 211
stride = (w * 3 + 3) & ~3
rows = bytearray()
for y in range(h - 1, -1, -1):
    row = bytearray()
    for x in range(w):
        row += bytes(((x * 3 + y) & 255, (y * 5) & 255, ((x ^ y) * 7) & 255))
    rows += row + bytes(stride - len(row))
header = struct.pack('<2sIHHI', b'BM', 54 + len(rows), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(rows), 0, 0, 0, 0)
open(sys.argv[1], 'wb').write(header + info + rows)
PY
cjpeg -quality 60 -baseline -dct float -outfile "$work/ref.jpg" "$work/in.bmp"

"$ZAVO" 2>"$work/stderr" &
APP_PID=$!
win=$(wait_window zavo)
sleep 0.5
load_through_dialog "$win" "$work/in.bmp"
# The up-down sits at (282..295, 0..24); its down arrow is the lower half.
xdotool mousemove --window "$win" 288 19 click 1
sleep 0.3
xdotool mousemove --window "$win" 288 19 click 1
sleep 0.5
# SAVE is at (382..426, 0..24).
xdotool mousemove --window "$win" 404 12 click 1
wait_window "Save As" >/dev/null
sleep 0.5
xdotool type --delay 2 "$work/out"
xdotool key Return
for _ in $(seq 50); do [ -s "$work/out.jpg" ] && break; sleep 0.1; done
sleep 0.3
python3 "$SOURCE/tests/e2e/wmclose.py" "$win"
wait_exit
cat "$work/stderr" | grep -v XDG_RUNTIME || true
[ "$EXIT_CODE" = 0 ] || { echo "exit code $EXIT_CODE" >&2; exit 1; }
ls -l "$work/ref.jpg" "$work/out.jpg"
cmp "$work/ref.jpg" "$work/out.jpg"
