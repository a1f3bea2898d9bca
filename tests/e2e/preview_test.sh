#!/usr/bin/env bash
# The full-screen preview under a window manager: Space opens it over the whole screen with the
# picture after compression centred and the red caption, Space flips to the green caption and the
# picture before compression, Delete leaves it open, Backspace and Escape close it; 全画面 opens it
# alternating by itself.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
start_wm
python3 "$SOURCE/tests/e2e/makebmp.py" "$work/in.bmp" 401 301 gradient
# Centred on 1280 x 1024: (1280 - 401) div 2, (1024 - 301) div 2.
X=439
Y=361

"$ZAVO" 2>"$work/stderr" &
APP_PID=$!
win=$(wait_window zavo)
load_through_dialog "$win" "$work/in.bmp"
xdotool windowactivate --sync "$win"

# Waits up to 10 s until a screenshot shows what $1 (a shell pattern) describes; prints the last.
wait_shot() {
    local seen=""
    for _ in $(seq 50); do
        import -window root "$work/shot.png" || fail "cannot take a screenshot"
        seen=$(python3 "$SOURCE/tests/e2e/shotcheck.py" "$work/shot.png" "$work/in.bmp" $X $Y) || fail "cannot read the screenshot"
        # shellcheck disable=SC2053
        [[ $seen == $1 ]] && { echo "$seen"; return 0; }
        sleep 0.2
    done
    echo "wanted $1, the screen shows: $seen" >&2
    return 1
}
# Waits up to 5 s until window $1 is unmapped; xwininfo failing fails the test.
wait_unmapped() {
    local info
    for _ in $(seq 50); do
        info=$(xwininfo -id "$1") || fail "xwininfo failed on window $1"
        grep -q IsUnMapped <<<"$info" && return 0
        sleep 0.1
    done
    return 1
}

xdotool key space
full=$(wait_window プレビュー)
geometry=$(xwininfo -id "$full" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width/{w=$NF} /Height/{h=$NF} END{print x","y","w"x"h}')
[ "$geometry" = "0,0,1280x1024" ] || fail "the preview covers $geometry"
xprop -id "$full" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN || fail "the preview is not full screen"
# It belongs to the comparison window: transient for it, a dialog with no task-bar entry of its own.
owner=$(xprop -id "$full" WM_TRANSIENT_FOR | sed -E 's/.*# //')
[ "$((owner))" = "$((win))" ] || fail "the preview is transient for $owner, not $win"
xprop -id "$full" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DIALOG || fail "the preview is no dialog"

# After compression: red caption, a picture close to the source but not equal to it.
shown=$(wait_shot "red [1-9]* green 0 diff *")
diff=${shown##* }
[ "$diff" -gt 0 ] && [ "$diff" -lt 40 ] || fail "the after picture differs from the source by $diff"
corner=$(pixel_at 0 0)
far=$(pixel_at 1279 1023)
[ "$corner" = "0,0,0" ] && [ "$far" = "0,0,0" ] || fail "the preview is not black around the picture"

xdotool key space
wait_shot "red 0 green [1-9]* diff 0" >/dev/null
xdotool key space
wait_shot "red [1-9]* green 0 diff *" >/dev/null
# Delete types no character here, though X11 gives it one (0x7F); Backspace and Escape do type one.
xdotool key Delete
sleep 1
xwininfo -id "$full" | grep -q IsViewable || fail "Delete closed the preview"
wait_shot "red [1-9]* green 0 diff *" >/dev/null
xdotool key BackSpace
wait_unmapped "$full" || fail "Backspace did not close the preview"
xdotool windowactivate --sync "$win"
xdotool key space
wait_shot "red [1-9]* green 0 diff *" >/dev/null
xdotool key Escape
wait_unmapped "$full" || fail "Escape did not close the preview"

# 全画面 (152..196, 0..24): the after picture first, then the before picture within 2.5 s, then back.
xdotool windowactivate --sync "$win"
xdotool mousemove --window "$win" 174 12 click 1
wait_window プレビュー >/dev/null
# Watched from the opening: red first, green within 2.5 s, red again a second later.
python3 "$SOURCE/tests/e2e/watchcaption.py" $X $Y FF0000 10000 >/dev/null || fail "no red caption after 全画面"
green=$(python3 "$SOURCE/tests/e2e/watchcaption.py" $X $Y 008000 2500) || fail "no green caption within 2.5 s"
python3 "$SOURCE/tests/e2e/watchcaption.py" $X $Y FF0000 2500 >/dev/null || fail "the red caption did not come back"
echo "the green caption came $green ms after the red one was seen"
# A click closes it.
xdotool mousemove 640 512 click 1
wait_unmapped "$full" || fail "a click did not close the preview"

python3 "$SOURCE/tests/e2e/wmclose.py" "$win"
wait_exit
grep -v XDG_RUNTIME "$work/stderr" || true
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
