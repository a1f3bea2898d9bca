#!/usr/bin/env bash
# Zoom in the real program under a window manager: Ctrl + wheel over the left pane enlarges both
# panes around the pointer, the panes' menu sets fit, and Space at 4:1 opens the preview on exactly
# the screen pixels the right pane shows around its centre.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
start_wm
check() { python3 "$SOURCE/tests/e2e/zoomcheck.py" "$@" || fail "cannot read the screenshots"; }
# "coords": each pixel holds its own x in red and y in green.
python3 "$SOURCE/tests/e2e/makebmp.py" "$work/in.bmp" 401 301 coords

start_with_picture "$work/in.bmp"
# The panes' inner areas at 530 x 292: left from (2, 26), right from (267, 26), 261 x 264; the
# areas checked stay clear of the bars.
LX=$((WX + 2)); RX=$((WX + 267)); PY=$((WY + 26))
shot() { sleep 0.5; import -window root "$work/$1.png" || fail "cannot take a screenshot"; }

shot one
[ "$(check runs "$work/one.png" "$LX" "$PY" 200 200)" = "1 1" ] || fail "the left pane is not at 1:1"
# The pointer at (100, 80) of the left pane's inner area.
PX=$((LX + 100)); PYY=$((PY + 80))
before=$(pixel_at "$PX" "$PYY")
xdotool mousemove "$PX" "$PYY"
xdotool keydown ctrl click 4 keyup ctrl
shot two
[ "$(check runs "$work/two.png" "$LX" "$PY" 200 200)" = "2 2" ] || fail "Ctrl + wheel did not give 2:1 on the left"
[ "$(check runs "$work/two.png" "$RX" "$PY" 200 200 | awk '{print ($1 >= 2 && $2 >= 2)}')" = 1 ] ||
    fail "the right pane did not zoom with the left one"
after=$(pixel_at "$PX" "$PYY")
[ "$before" = "$after" ] || fail "the picture point under the pointer moved: $before became $after"
cp "$work/two.png" "$work/zoom-2x.png"

# The menu of the right pane: its first entry is 全体表示 (fit).
xdotool mousemove $((RX + 50)) $((PY + 50)) click 3
sleep 1
shot menu
xdotool key Down Return
shot fit
# At fit the 401 x 301 picture is 261 x 195: the rows below it show the window's colour, no bar.
below=$(pixel_at $((LX + 130)) $((PY + 240)))
inside=$(pixel_at $((LX + 130)) $((PY + 100)))
[ "$below" != "$inside" ] || fail "the menu did not set fit"
[ "$(pixel_at $((LX + 130)) $((PY + 240)))" = "$(pixel_at $((RX + 130)) $((PY + 240)))" ] ||
    fail "the panes differ below the fitted picture"

# Three steps in from fit (1:1, 2:1, 4:1), then Space.
xdotool mousemove $((LX + 120)) $((PY + 120))
for _ in 1 2 3; do xdotool keydown ctrl click 4 keyup ctrl; sleep 0.2; done
shot four
[ "$(check runs "$work/four.png" "$LX" "$PY" 200 200)" = "4 4" ] || fail "three steps in from fit are not 4:1"
xdotool key space
full=$(wait_window プレビュー)
shot preview
# The visible centre of the right pane (bars 16 and 13 thick) at the screen's centre.
CX=$((RX + (261 - 16) / 2)); CY=$((PY + (264 - 13) / 2))
differ=$(check same "$work/four.png" $((CX - 60)) $((CY - 60)) "$work/preview.png" $((640 - 60)) $((512 - 60)) 120 120)
[ "$differ" = 0 ] || fail "the preview at 4:1 differs from the right pane in $differ pixels around the centre"
xdotool key Escape

python3 "$SOURCE/tests/e2e/wmclose.py" "$win"
wait_exit
grep -v XDG_RUNTIME "$work/stderr" || true
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
