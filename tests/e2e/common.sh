# Shared steps of the end-to-end tests: a private X server and the program under test.
# Sourced by each test with ZAVO (the binary) and SOURCE (the project folder) set.
set -euo pipefail

start_xvfb() {
    for n in $(seq 91 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            XVFB_PID=$!
            export DISPLAY=":$n"
            for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
        fi
    done
    echo "no X server could be started" >&2
    return 1
}

# A private X server and a private temporary folder ($work) with the user folders inside it; both
# go when the test ends.
start_session() {
    work=$(mktemp -d)
    trap 'stop_all; rm -rf "$work"' EXIT
    start_xvfb
    export XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
}

# A window manager (openbox) on the session's X server, for tests of full screen, focus between
# windows and frames; waits until it has taken charge of the screen.
start_wm() {
    openbox --sm-disable >/dev/null 2>&1 &
    WM_PID=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    echo "the window manager did not start" >&2
    return 1
}

stop_all() {
    [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null || true
    [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null || true
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# Waits up to 10 s for a window whose name is exactly $1 and prints its id.
wait_window() {
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "window $1 did not appear" >&2
    return 1
}

# Waits up to 10 s for the program to end and sets EXIT_CODE.
wait_exit() {
    for _ in $(seq 100); do
        if ! kill -0 "$APP_PID" 2>/dev/null; then
            set +e; wait "$APP_PID"; EXIT_CODE=$?; set -e
            APP_PID=""
            return 0
        fi
        sleep 0.1
    done
    echo "the program did not end" >&2
    return 1
}

# The titles of the open and save dialogs, which speak the interface's language.
OPEN_TITLE="開く"
SAVE_TITLE="名前を付けて保存"

# Clicks LOAD and waits for the open dialog; prints its id.
open_dialog() {
    # LOAD is at (104..148, 0..24) in the window's client area.
    xdotool mousemove --window "$1" 126 12 click 1
    wait_window "$OPEN_TITLE"
}

# Waits up to 10 s until no window named exactly $1 is shown.
wait_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "window $1 did not go" >&2
    return 1
}

# Loads a picture into the running program through its LOAD button and open dialog.
load_through_dialog() {
    local win=$1 path=$2
    open_dialog "$win" >/dev/null
    sleep 0.5
    xdotool type --delay 2 "$path"
    xdotool key Return
    sleep 1.5
}

# The colour of one screen pixel as "r,g,b".
pixel_at() {
    import -window root -crop "1x1+$1+$2" -depth 8 txt:- | tail -1 | sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/'
}
