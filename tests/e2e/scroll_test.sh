#!/usr/bin/env bash
# Scrolling with the real mouse: clicks in the track of the right pane's horizontal bar move both
# panes by the same 20 pixels a click.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
python3 "$SOURCE/tests/e2e/makebmp.py" "$work/bands.bmp" 1000 800 bands
"$ZAVO" 2>/dev/null &
APP_PID=$!
win=$(wait_window zavo)
sleep 0.5
load_through_dialog "$win" "$work/bands.bmp"
eval "$(xdotool getwindowgeometry --shell "$win")"
# Client (10, 100) lies in band 0 of the left pane (inner area from x = 2), and the same place of
# the right pane is 265 pixels further right.
left_x=$((X + 12)); right_x=$((X + 265 + 12)); y=$((Y + 100))
before_left=$(pixel_at "$left_x" "$y"); before_right=$(pixel_at "$right_x" "$y")
echo "before: $before_left $before_right"
# The right pane's horizontal bar runs along its bottom (y = 24 + 268 - 13 - 2 .. + 13); a click
# in its track right of the thumb pages by 20.
xdotool mousemove --window "$win" 480 284 click 1
sleep 0.5
after_left=$(pixel_at "$left_x" "$y"); after_right=$(pixel_at "$right_x" "$y")
echo "after one page: $after_left $after_right"
xdotool mousemove --window "$win" 480 284 click 1
sleep 0.5
again_left=$(pixel_at "$left_x" "$y"); again_right=$(pixel_at "$right_x" "$y")
echo "after two pages: $again_left $again_right"
dark() { [ "${1%%,*}" -lt 128 ]; }
dark "$before_left" && dark "$before_right" || { echo "band 0 should be dark" >&2; exit 1; }
! dark "$after_left" && ! dark "$after_right" || { echo "both panes should show band 1 after one page" >&2; exit 1; }
dark "$again_left" && dark "$again_right" || { echo "both panes should show band 2 after two pages" >&2; exit 1; }
