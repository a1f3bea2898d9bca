#!/usr/bin/env bash
# With a real X server: moving the focus to another window raises no exit event; coming back
# and tabbing does; Space on a focused button reaches the window's key preview before the click.
SOURCE=$2
PROBE=$3
source "$SOURCE/tests/e2e/common.sh"
start_session
out="$work/events"
"$PROBE" >"$out" 2>/dev/null &
APP_PID=$!
a=$(wait_window probeA)
b=$(wait_window probeB)
wait_drawn "$a"
# Waits up to 5 s until the events so far are exactly $1.
expect() {
    for _ in $(seq 50); do
        [ "$(cat "$out")" = "$1" ] && return 0
        sleep 0.1
    done
    echo "events so far:" >&2; cat "$out" >&2
    echo "wanted:" >&2; echo "$1" >&2
    exit 1
}
# Clicking into the edit (client 100..180, 10..40) moves the focus from the button within the window.
xdotool mousemove --window "$a" 140 25 click 1
expect $'ready\nexit button'
# Another window takes the focus and gives it back: no exit event either way. The Tab after it
# shows that every event before it has been handled.
xdotool windowfocus --sync "$b"
xdotool windowfocus --sync "$a"
wait_focus "$a"
# Tab wraps to the button; Space on it reaches the window's key preview before the click.
xdotool key --window "$a" Tab
expect $'ready\nexit button\nexit edit'
xdotool key --window "$a" space
expect $'ready\nexit button\nexit edit\nkey 32\nclick'
