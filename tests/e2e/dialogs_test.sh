#!/usr/bin/env bash
# The open dialog with its preview, the full-size preview and the error box, with real input under
# a window manager: a selected bitmap previews and opens its full-size preview at its own size, Esc
# closes that, Cancel leaves the comparison window as it was, and a bad file shows the error box
# captioned with the program's title, whose OK button takes Space at once.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
start_wm
python3 "$SOURCE/tests/e2e/makebmp.py" "$work/pic.bmp" 317 211 gradient
printf 'BM this is no bitmap' >"$work/bad.bmp"
# The error box's caption comes from the program file's name.
cp "$ZAVO" "$work/ZAVO.bin"

"$work/ZAVO.bin" 2>"$work/stderr" &
APP_PID=$!
win=$(wait_window zavo)
wait_drawn "$win"
import -window "$win" "$work/before.png"

dlg=$(open_dialog "$win")
wait_focus "$dlg"
xdotool type --delay 2 "$work/pic.bmp"
eval "$(xdotool getwindowgeometry --shell "$dlg")"
# The size label stands at the top of the preview area, at the dialog's right edge; waits up to
# 10 s for its text and for the gradient in the preview box (the label reads "画像:" while the
# picture is still loading, at idle priority).
dark=0
colours=0
for _ in $(seq 50); do
    import -window root -crop "150x30+$((X + WIDTH - 190))+$((Y + 5))" "$work/label.png"
    dark=$(convert "$work/label.png" -colorspace gray -threshold 40% -format '%[fx:int(w*h*(1-mean))]' info:)
    import -window root -crop "40x40+$((X + WIDTH - 120))+$((Y + HEIGHT / 2 - 20))" "$work/box.png"
    colours=$(convert "$work/box.png" -format '%k' info:)
    [ "$dark" -gt 20 ] && [ "$colours" -gt 8 ] && break
    sleep 0.2
done
[ "$dark" -gt 20 ] || { echo "the preview label shows no text ($dark dark pixels)" >&2; exit 1; }
[ "$colours" -gt 8 ] || { echo "the preview box shows no picture ($colours colours)" >&2; exit 1; }
# A double click on the preview picture opens the full-size preview.
xdotool mousemove --window "$dlg" $((WIDTH - 100)) $((HEIGHT / 2)) click --repeat 2 --delay 80 1
full=$(wait_window "プレビュー")
# The window manager may report the window before it has taken its final size.
for _ in $(seq 25); do
    eval "$(xdotool getwindowgeometry --shell "$full")"
    [ "$WIDTH" = 329 ] && [ "$HEIGHT" = 223 ] && break
    sleep 0.2
done
# The picture's own size inside a one-pixel frame and a 5-pixel border.
[ "$WIDTH" = 329 ] && [ "$HEIGHT" = 223 ] || { echo "full-size preview is ${WIDTH}x$HEIGHT, not 329x223" >&2; exit 1; }
xdotool key Escape
wait_gone "プレビュー"
# Cancel: the comparison window stays as it was.
xdotool key Escape
wait_gone "$OPEN_TITLE"
# Up to 5 s for the window to be drawn again after the dialog over it went.
for _ in $(seq 25); do
    import -window "$win" "$work/after.png"
    changed=$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 || true)
    [ "$changed" = 0 ] && break
    sleep 0.2
done
[ "$changed" = 0 ] || { echo "Cancel changed $changed pixels of the comparison window" >&2; exit 1; }

# Qt's own hidden leader window carries the application's name too; the box is the new one.
titled() { shown_windows Zavo | sort; }
others=$(titled)
load_through_dialog "$win" "$work/bad.bmp"
box=""
for _ in $(seq 100); do
    now=$(titled)
    box=$(comm -13 <(echo "$others") <(echo "$now") | head -1)
    [ -n "$box" ] && break
    sleep 0.1
done
[ -n "$box" ] || { echo "no error box captioned Zavo" >&2; exit 1; }
# Space reaches the OK button at once: it has the keyboard focus.
xdotool key space
for _ in $(seq 50); do
    now=$(titled)
    grep -qx "$box" <<<"$now" || break
    sleep 0.1
done
! grep -qx "$box" <<<"$now" || { echo "Space did not close the error box" >&2; exit 1; }
kill -0 "$APP_PID"
python3 "$SOURCE/tests/e2e/wmclose.py" "$win"
wait_exit
[ "$EXIT_CODE" = 0 ] || { echo "exit code $EXIT_CODE" >&2; exit 1; }
echo "dialogs: ok"
