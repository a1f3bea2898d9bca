#!/usr/bin/env bash
# Scroll bars under real input: a right click on a bar opens no menu of Qt's and moves nothing;
# the keys of a focused bar move it the way its scroll codes say (Left and Up towards the start,
# Right and Down towards the end, PageUp/PageDown by 20, Home to the start, End to Max) and both
# panes and the twin bar follow. The picture's pixels tell where each pane is scrolled to: red is
# the picture's x mod 256, green its y mod 256.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
python3 "$SOURCE/tests/e2e/makebmp.py" "$work/coords.bmp" 400 340 coords
"$ZAVO" 2>/dev/null &
APP_PID=$!
win=$(wait_window zavo)
load_through_dialog "$win" "$work/coords.bmp"
eval "$(xwininfo -id "$win" | awk '/Absolute upper-left X/ {print "X=" $4} /Absolute upper-left Y/ {print "Y=" $4}')"

# The left pane shows the bitmap as it is, the right one its JPEG, a few levels off. Client
# (10, 100) and (275, 100) show picture point (8, 74) of either pane when nothing is scrolled.
near() {
    local IFS=,
    read -r r g b <<<"$1"; read -r wr wg wb <<<"$2"
    [ $((r - wr)) -le 3 ] && [ $((wr - r)) -le 3 ] && [ $((g - wg)) -le 3 ] && [ $((wg - g)) -le 3 ] \
        && [ $((b - wb)) -le 3 ] && [ $((wb - b)) -le 3 ]
}
# Waits up to 3 s until both panes show the picture scrolled by ($1, $2); prints what they show.
wait_scrolled() {
    local want="$((($1 + 8) & 255)),$((($2 + 74) & 255)),128"
    for _ in $(seq 30); do
        left=$(pixel_at $((X + 10)) $((Y + 100)))
        right=$(pixel_at $((X + 275)) $((Y + 100)))
        [ "$left" = "$want" ] && near "$right" "$want" && return 0
        sleep 0.1
    done
    echo "wanted both panes at $want (scrolled by $1, $2), the left shows $left, the right $right"
    return 1
}
windows() { xdotool search --onlyvisible --pid "$APP_PID" | wc -l; }
# Focuses the bar $1 Tabs after the quality box (client 249..282, 0..24), right-clicks client
# point $5 if given, presses the keys $2 and waits for the panes at ($3, $4). Once a second the
# preview's timer takes the focus off every control but the quality box; keys that came after it
# move nothing, and the step is made again, up to four times. A key that moves the wrong way, a
# pane that does not follow or keys that never arrive fail.
step() {
    local tabs=$1 keys=$2 before seen
    before=$(pixel_at $((X + 10)) $((Y + 100)))
    for _ in 1 2 3 4; do
        xdotool mousemove --window "$win" 265 12 click 1
        # shellcheck disable=SC2086
        [ -n "${5:-}" ] && xdotool key --delay 0 $(printf 'Tab %.0s' $(seq "$tabs")) mousemove --window "$win" $5 click 3 key $keys ||
            xdotool key --delay 0 $(printf 'Tab %.0s' $(seq "$tabs")) $keys
        seen=$(wait_scrolled "$3" "$4") && return 0
        [ "$(pixel_at $((X + 10)) $((Y + 100)))" = "$before" ] || break
    done
    fail "after $keys: $seen"
}

seen=$(wait_scrolled 0 0) || fail "after loading: $seen"
shown=$(windows)
# The left pane's horizontal bar (client 2..262, 277..289) comes first after the quality box. A
# right click in its track right of the thumb: the keys that follow reach the bar only if no menu
# took them.
step 1 Right 1 0 "200 283"
[ "$(windows)" = "$shown" ] || fail "a right click on a scroll bar opened a window"
step 1 Right 2 0
step 1 Left 1 0
step 1 Down 2 0
step 1 Up 1 0
step 1 Next 21 0
step 1 Prior 1 0
# End puts the bar at Max, 400 + 16 - 265 + 23 = 174, beyond the last place of a pane (Max - 19):
# the panes stay and a page up goes from Max.
step 1 "End Prior" 154 0
# The right pane's horizontal bar, the twin, three Tabs on: it stands at 154 too.
step 3 Left 153 0 "330 283"
[ "$(windows)" = "$shown" ] || fail "a right click on a scroll bar opened a window"
step 3 Home 0 0
# The right pane's vertical bar (Max 340 + 13 - 268 + 23 = 108); Right and Left go as Down and Up.
step 4 Down 0 1
step 4 Right 0 2
step 4 Left 0 1
step 4 Up 0 0
step 4 Next 0 20
step 4 "End Prior" 0 88
# The left pane's vertical bar, its twin.
step 2 Up 0 87 "255 150"
[ "$(windows)" = "$shown" ] || fail "a right click on a scroll bar opened a window"
step 2 Home 0 0
