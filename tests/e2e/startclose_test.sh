#!/usr/bin/env bash
# The real program starts in an X server with its window shown, and closing the window ends it
# with exit code 0.
ZAVO=$1
SOURCE=$2
source "$SOURCE/tests/e2e/common.sh"
start_session
"$ZAVO" &
APP_PID=$!
win=$(wait_window zavo)
geometry=$(xdotool getwindowgeometry "$win")
echo "$geometry"
echo "$geometry" | grep -q "Geometry: 530x292" || { echo "unexpected client size" >&2; exit 1; }
preview=$(shown_windows プレビュー)
[ -z "$preview" ] || { echo "the preview is visible at start" >&2; exit 1; }
python3 "$SOURCE/tests/e2e/wmclose.py" "$win"
wait_exit
echo "exit code $EXIT_CODE"
[ "$EXIT_CODE" = 0 ]
