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
load_through_dialog "$win" "$work/in.bmp"
# The up-down sits at (282..295, 0..24); its down arrow is the lower half. The program takes the
# clicks in order, each recompression before the next click and the SAVE click.
xdotool mousemove --window "$win" 288 19 click 1
xdotool mousemove --window "$win" 288 19 click 1
# SAVE is at (382..426, 0..24). The file is written before the dialog's Return has been handled.
xdotool mousemove --window "$win" 404 12 click 1
save=$(wait_window "$SAVE_TITLE")
answer_dialog "$save" "$work/out"
python3 "$SOURCE/tests/e2e/wmclose.py" "$win"
wait_exit
cat "$work/stderr" | grep -v XDG_RUNTIME || true
[ "$EXIT_CODE" = 0 ] || { echo "exit code $EXIT_CODE" >&2; exit 1; }
ls -l "$work/ref.jpg" "$work/out.jpg"
cmp "$work/ref.jpg" "$work/out.jpg"
