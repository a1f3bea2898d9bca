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
sleep 0.5
expect() {
    if [ "$(cat "$out")" != "$1" ]; then
        echo "events so far:" >&2; cat "$out" >&2
        echo "wanted:" >&2; echo "$1" >&2
        exit 1
    fi
}
# Clicking into the edit (client 100..180, 10..40) moves the focus from the button within the window.
xdotool mousemove --window "$a" 140 25 click 1
sleep 0.3
expect $'ready\nexit button'
# Another window takes the focus and gives it back: no exit event either way.
xdotool windowfocus --sync "$b"
sleep 0.3
xdotool windowfocus --sync "$a"
sleep 0.3
expect $'ready\nexit button'
# Tab wraps to the button; Space on it reaches the window's key preview before the click.
xdotool key --window "$a" Tab
sleep 0.3
expect $'ready\nexit button\nexit edit'
xdotool key --window "$a" space
sleep 0.5
expect $'ready\nexit button\nexit edit\nkey 32\nclick'
