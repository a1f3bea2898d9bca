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
load_through_dialog "$win" "$work/bands.bmp"
eval "$(xdotool getwindowgeometry --shell "$win")"
# Client (10, 100) lies in band 0 of the left pane (inner area from x = 2), and the same place of
# the right pane is 265 pixels further right.
left_x=$((X + 12)); right_x=$((X + 265 + 12)); y=$((Y + 100))
dark() { [ "${1%%,*}" -lt 128 ]; }
# Waits up to 10 s until both panes show a band that is dark if $1 is "dark", light otherwise.
wait_band() {
    local left right
    for _ in $(seq 50); do
        left=$(pixel_at "$left_x" "$y") || exit 1
        right=$(pixel_at "$right_x" "$y") || exit 1
        if [ "$1" = dark ]; then dark "$left" && dark "$right" && return 0
        else ! dark "$left" && ! dark "$right" && return 0; fi
        sleep 0.2
    done
    echo "$2: the panes show $left and $right" >&2
    exit 1
}
wait_band dark "band 0 after the load"
# The right pane's horizontal bar runs along its bottom (y = 24 + 268 - 13 - 2 .. + 13); a click
# in its track right of the thumb pages by 20.
xdotool mousemove --window "$win" 480 284 click 1
wait_band light "both panes should show band 1 after one page"
xdotool mousemove --window "$win" 480 284 click 1
wait_band dark "both panes should show band 2 after two pages"
echo "scroll: ok"
