#!/usr/bin/env bash
# Odd widths under a window manager: the panes are laid out for the width the window really has,
# also while the window manager refuses the one-pixel widening during a drag of the frame's edge,
# and the window ends at an even width once it is granted. The right pane's border is its last two
# client columns, both white; a layout one pixel too wide leaves the inner grey in the last but one.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
start_wm
"$ZAVO" 2>/dev/null &
APP_PID=$!
win=$(wait_window zavo)

# The window's place and size; a failed probe ends the test.
geometry() {
    local info
    info=$(xwininfo -id "$win") || exit 1
    eval "$(awk '/Absolute upper-left X/ {print "X=" $4} /Absolute upper-left Y/ {print "Y=" $4}
        /Width:/ {print "WIDTH=" $2} /Height:/ {print "HEIGHT=" $2}' <<<"$info")"
}
# The colours of the last three columns, left to right, in $columns; a failed probe ends the test.
right_columns() {
    local y=$((Y + 200)) third second last
    third=$(pixel_at $((X + WIDTH - 3)) "$y") || exit 1
    second=$(pixel_at $((X + WIDTH - 2)) "$y") || exit 1
    last=$(pixel_at $((X + WIDTH - 1)) "$y") || exit 1
    columns="$third $second $last"
}
border_fits() {
    geometry
    right_columns
    [[ $columns == *" 255,255,255 255,255,255" ]] && [[ $columns != "255,255,255 "* ]]
}
# Waits up to 5 s for the border to sit at the window's right edge, the width being even if $1 is "even".
wait_layout() {
    for _ in $(seq 50); do
        if border_fits && { [ "$1" != even ] || [ $((WIDTH % 2)) -eq 0 ]; }; then return 0; fi
        sleep 0.1
    done
    echo "$2: width $WIDTH, right columns $columns" >&2
    return 1
}

wait_layout even "at start"
xdotool windowsize "$win" 531 400
wait_layout even "after a resize to 531"
[ "$WIDTH" -eq 532 ] || { echo "a resize to 531 should end at 532, not $WIDTH" >&2; exit 1; }

# Drag the frame's right edge (one pixel right of the client area) 31 pixels to the right, one
# pixel at a time, and hold the button. The pauses pace the input as a hand would: the window
# manager shows no state that tells when it has taken the pointer or the press.
geometry
edge_x=$((X + WIDTH)); edge_y=$((Y + 150))
xdotool mousemove "$edge_x" "$edge_y"
sleep 0.2
xdotool mousedown 1
sleep 0.2
for i in $(seq 31); do xdotool mousemove $((edge_x + i)) "$edge_y"; sleep 0.01; done
wait_layout any "during the drag"
xdotool mouseup 1
wait_layout even "after the drag"
[ "$WIDTH" -ge 560 ] || { echo "the drag should have widened the window, it is $WIDTH" >&2; exit 1; }
