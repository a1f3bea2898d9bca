#!/usr/bin/env bash
# The program's main job with real input: LOAD a 24-bit bitmap through the dialog, step the quality
# down twice to 60, SAVE, and compare the saved bytes with libjpeg-turbo's own float-DCT baseline
# encode of the same pixels at 60.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
python3 "$SOURCE/tests/e2e/makebmp.py" "$work/in.bmp" 317 211 gradient
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
wait_window "$SAVE_TITLE" >/dev/null
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
