#!/usr/bin/env bash
# Screens other than 96 pixels per inch, as the desktop states it in the X resources (Xft.dpi):
# the window's fonts scale by resolution / 96 and its geometry by the scaled form font's height of
# "0" over 12, with no scaling of Qt's on top; at 96 nothing changes. In IPAPGothic that "0"
# measures 16 pixels at 120 (a 15-pixel form font) and 19 at 144 (18 pixels), so the 530 x 292
# client area becomes 707 x 389 and 839 x 462, and the panes' even width makes 708 and 840.
# Checked in screen pixels: the client size, the edges of the LOAD button (104 + 44 wide) and the
# height of the green 16-pixel caption "使用前".
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
# The window manager also keeps a client connected, so the X server keeps its resources between runs.
start_wm

geometry() {
    eval "$(xwininfo -id "$win" | awk '/Absolute upper-left X/ {print "X=" $4} /Absolute upper-left Y/ {print "Y=" $4}
        /Width:/ {print "WIDTH=" $2} /Height:/ {print "HEIGHT=" $2}')"
}
# Red values of the $3 pixels from client (x, y) = ($1, $2) to the right, one a line.
row_reds() {
    import -window root -crop "${3}x1+$((X + $1))+$((Y + $2))" +repage -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 {print $3}'
}
# Prints the first and the last row of the client area's top left 120 x 50 pixels that hold green
# caption pixels.
green_rows() {
    import -window root -crop "120x50+$X+$Y" +repage -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 && $3 < 60 && $4 > 90 && $5 < 60 {if (first == "" || $2 < first) first = $2; if ($2 > last) last = $2}
            END {print first, last}'
}
scaled() { python3 -c "print(round($1 * $2 / 12))"; }

for case in "96 12 530 292" "120 16 708 389" "144 19 840 462"; do
    read -r dpi zero want_w want_h <<<"$case"
    xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	$dpi"
    "$ZAVO" 2>/dev/null &
    APP_PID=$!
    win=$(wait_window zavo)
    xdotool windowmove "$win" 0 0
    for _ in $(seq 50); do
        geometry
        [ "$WIDTH" = "$want_w" ] && [ "$HEIGHT" = "$want_h" ] && [ "$X" -lt 100 ] && break
        sleep 0.1
    done
    echo "$dpi dpi: client $WIDTH x $HEIGHT at $X, $Y"
    [ "$WIDTH" = "$want_w" ] && [ "$HEIGHT" = "$want_h" ] || { echo "$dpi dpi: the client area should be $want_w x $want_h" >&2; exit 1; }

    # LOAD's frame: its left edge is the first dark pixel right of the "0 k" label on the button's
    # middle row, its right edge the first one left of where the next button starts.
    mid=$(scaled 12 "$zero"); from=$(scaled 96 "$zero"); to=$(scaled 152 "$zero")
    reds=$(row_reds "$from" "$mid" $((to - from)))
    left=$(awk -v from="$from" '$1 < 192 {print from + NR - 1; exit}' <<<"$reds")
    right=$(tac <<<"$reds" | awk -v to="$to" '$1 < 192 {print to - NR; exit}')
    want_left=$(scaled 104 "$zero"); want_right=$((want_left + $(scaled 44 "$zero") - 1))
    echo "$dpi dpi: LOAD from $left to $right"
    [ "$left" = "$want_left" ] && [ "$right" = "$want_right" ] || { echo "$dpi dpi: LOAD should span $want_left..$want_right" >&2; exit 1; }

    read -r first last <<<"$(green_rows)"
    font=$((16 * dpi / 96)); ink=$((last - first + 1))
    echo "$dpi dpi: caption ink $ink pixels high for a $font-pixel font"
    [ $((ink * 4)) -ge $((font * 3)) ] && [ "$ink" -le "$font" ] || { echo "$dpi dpi: the caption's font should be $font pixels" >&2; exit 1; }

    kill "$APP_PID"
    wait_exit
done
