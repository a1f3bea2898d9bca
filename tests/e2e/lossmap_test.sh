#!/usr/bin/env bash
# The loss map in the real program under a window manager: on a picture that compresses almost
# without loss but for one block of faint noise, F3 scrolls both panes to that block, and Ctrl + D
# shows it red on the right pane.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
start_wm
# The block lies at (1200, 900) .. (1231, 931) of a 1600 x 1200 ramp, so the pane starts far from it.
python3 "$SOURCE/tests/e2e/makebmp.py" "$work/in.bmp" 1600 1200 flaw

start_with_picture "$work/in.bmp"
# The panes' inner areas at 530 x 292: left from (2, 26), right from (267, 26), 261 x 264, with
# bars 16 and 13 thick; their visible centres.
LX=$((WX + 2)); RX=$((WX + 267)); PY=$((WY + 26))
CX=$(((261 - 16) / 2)); CY=$(((264 - 13) / 2))
shot() { sleep 0.5; import -window root "$work/$1.png" || fail "cannot take a screenshot"; }
# How many of the 40 x 40 pixels around (x, y) of the screen differ from their left neighbour by
# more than 3: none on the ramp, which changes by one every 13 pixels, most within the block.
changes() {
    import -window root -crop "41x40+$(($1 - 20))+$(($2 - 20))" -depth 8 txt:- | python3 -c '
import re, sys
px = {}
for line in sys.stdin:
    m = re.match(r"(\d+),(\d+):\s*\((\d+),", line)
    if m: px[int(m[1]), int(m[2])] = int(m[3])
x0, y0 = min(px)
print(sum(abs(px[x0 + x, y0 + y] - px[x0 + x - 1, y0 + y]) > 3 for x in range(1, 41) for y in range(40)))'
}

# Quality 40: four clicks on the up-down's down arrow, at (288, 19) of the window.
for _ in 1 2 3 4; do xdotool mousemove --window "$win" 288 19 click 1; sleep 0.2; done
# The size hint's figures, and the map with them, come from a worker: F3 waits for them.
sleep 2
[ "$(changes $((LX + CX)) $((PY + CY)))" = 0 ] || fail "the left pane shows the noise before F3"
xdotool key F3
shot tour
# The worst window lies on the block or on its edge, where the compression rings over the ramp:
# the block covers much of the area around both centres.
left=$(changes $((LX + CX)) $((PY + CY)))
[ "$left" -ge 300 ] || fail "F3 did not bring the noisy block to the left pane's centre ($left changes)"
right=$(changes $((RX + CX)) $((PY + CY)))
[ "$right" -ge 100 ] || fail "the right pane did not follow F3 ($right changes)"

xdotool key ctrl+d
shot loss
IFS=, read -r r g b < <(pixel_at $((RX + CX)) $((PY + CY)))
[ "$r" -ge 180 ] && [ "$g" -le 100 ] && [ "$b" -le 100 ] || fail "the loss view shows $r,$g,$b at the block, not red"
# The ramp far from the block is grey.
IFS=, read -r r g b < <(pixel_at $((RX + 20)) $((PY + 20)))
[ "$r" = "$g" ] && [ "$g" = "$b" ] || fail "the loss view shows $r,$g,$b on the ramp, not grey"
# The left pane keeps the picture as it was.
IFS=, read -r r g b < <(pixel_at $((LX + 20)) $((PY + 20)))
[ "$r" = "$g" ] && [ "$g" = "$b" ] || fail "the left pane changed with the loss view"

python3 "$SOURCE/tests/e2e/wmclose.py" "$win"
wait_exit
grep -v XDG_RUNTIME "$work/stderr" || true
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
