# Shared steps of the end-to-end tests: a private X server and the program under test.
# Sourced by each test with ZAVO (the binary) and SOURCE (the project folder) set.
set -euo pipefail

# The server picks a free display number itself and writes it once it accepts connections, so
# that tests started at the same time never share a display. Without -noreset it would reset
# whenever its last client leaves, refusing whoever connects during the reset (the window manager
# or the program just after the readiness probe).
start_xvfb() {
    local fifo="$work/xvfb-display"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    local n=""
    read -r -t 30 n <"$fifo" || true
    rm -f "$fifo"
    [[ $n =~ ^[0-9]+$ ]] || { echo "no X server could be started" >&2; return 1; }
    export DISPLAY=":$n"
    xdpyinfo >/dev/null 2>&1 || { echo "the X server on $DISPLAY does not answer" >&2; return 1; }
}

# A private X server and a private temporary folder ($work) with the user folders inside it; both
# go when the test ends.
start_session() {
    work=$(mktemp -d)
    trap 'show_stderr $?; stop_all; rm -rf "$work"' EXIT
    start_xvfb
    export XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
}

# A window manager (openbox) on the session's X server, for tests of full screen, focus between
# windows and frames; waits up to 20 s until it has taken charge of the screen.
start_wm() {
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    WM_PID=$!
    for _ in $(seq 200); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    echo "the window manager did not start:" >&2
    cat "$work/openbox.log" >&2
    return 1
}

# Ends the test with the message.
fail() { echo "$1" >&2; exit 1; }

# After a failure, what the program wrote to $work/stderr, where the tests send it.
show_stderr() {
    [ "$1" = 0 ] || [ ! -s "$work/stderr" ] || { echo "the program's standard error:"; cat "$work/stderr"; } >&2
}

# Ends the program, the window manager and the X server, each before the next.
stop_all() {
    local pid
    for pid in "${APP_PID:-}" "${WM_PID:-}" "${XVFB_PID:-}"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}

# Prints the ids of the shown windows named exactly $1 (nothing when there is none); fails when
# xdotool itself fails, which a search that finds nothing does not.
# A window that goes while xdotool looks at it makes it fail; a search is tried up to five times.
shown_windows() {
    local ids rc
    for _ in $(seq 5); do
        rc=0
        ids=$(xdotool search --onlyvisible --name "^$1\$" 2>"$work/xdotool.err") || rc=$?
        if [ "$rc" -le 1 ] && [ ! -s "$work/xdotool.err" ]; then
            [ -z "$ids" ] || echo "$ids"
            return 0
        fi
        sleep 0.1
    done
    echo "xdotool failed searching for window $1: $(cat "$work/xdotool.err")" >&2
    return 2
}

# Waits up to 30 s for a window whose name is exactly $1 and prints its id.
wait_window() {
    local id
    for _ in $(seq 300); do
        id=$(shown_windows "$1" | head -1) || return 1
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "window $1 did not appear" >&2
    return 1
}

# Waits up to 30 s until window $1 has been drawn: its picture holds more than one colour.
wait_drawn() {
    local colours
    for _ in $(seq 150); do
        colours=$(import -window "$1" -format '%k' info: 2>/dev/null || true)
        [[ $colours =~ ^[0-9]+$ ]] && [ "$colours" -gt 1 ] && return 0
        sleep 0.2
    done
    echo "window $1 was not drawn" >&2
    return 1
}

# Waits up to 30 s until window $1 has the keyboard focus.
wait_focus() {
    local focus
    for _ in $(seq 300); do
        focus=$(xdotool getwindowfocus 2>/dev/null || true)
        [ -n "$focus" ] && [ "$((focus))" = "$(($1))" ] && return 0
        sleep 0.1
    done
    echo "window $1 did not get the keyboard focus (it is on ${focus:-nothing})" >&2
    return 1
}

# Waits up to 30 s for the program to end and sets EXIT_CODE.
wait_exit() {
    for _ in $(seq 300); do
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

# Waits up to 30 s (or $2 tenths of a second) until no window named exactly $1 is shown.
wait_gone() {
    local ids
    for _ in $(seq "${2:-300}"); do
        ids=$(shown_windows "$1") || return 1
        [ -z "$ids" ] && return 0
        sleep 0.1
    done
    [ -n "${2:-}" ] || echo "window $1 did not go" >&2
    return 1
}

# Types $2 into the dialog $1 once it has the keyboard focus, presses Return and waits until the
# dialog has gone.
answer_dialog() {
    local title
    title=$(xdotool getwindowname "$1")
    wait_focus "$1"
    xdotool type --delay 2 "$2"
    xdotool key Return
    # On a loaded machine the name field's completion list can take the Return, or the first keys
    # can reach the dialog before its name field has the focus: the name is then typed again over
    # whatever the field holds.
    for _ in 1 2; do
        wait_gone "$title" 100 && return 0
        xdotool key ctrl+a
        xdotool type --delay 2 "$2"
        xdotool key Return
    done
    wait_gone "$title"
}

# Loads a picture into the running program through its LOAD button and open dialog. The program
# reads the file before it takes the next input.
load_through_dialog() {
    local dlg
    dlg=$(open_dialog "$1")
    answer_dialog "$dlg" "$2"
}

# The colour of one screen pixel as "r,g,b"; fails when the screen cannot be read.
pixel_at() {
    local p
    p=$(import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | tail -1 |
        sed -nE 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/p') || true
    [[ $p =~ ^[0-9]+,[0-9]+,[0-9]+$ ]] || { echo "cannot read the screen pixel at $1,$2" >&2; return 1; }
    echo "$p"
}

# Starts the program, loads picture $1 through the open dialog and waits until the window shows it;
# sets APP_PID, win and the window's client area's top-left corner on the screen, WX and WY.
start_with_picture() {
    "$ZAVO" 2>"$work/stderr" &
    APP_PID=$!
    win=$(wait_window zavo)
    load_through_dialog "$win" "$1"
    xdotool windowactivate --sync "$win"
    wait_drawn "$win"
    read -r WX WY < <(xwininfo -id "$win" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}')
}
