# Shared start of the shell tests of zavo-batch, sourced with the binary and the project folder as
# the test's arguments: a private working folder, gone when the test ends, and no display.
set -euo pipefail
BATCH=$1
SOURCE=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
unset DISPLAY WAYLAND_DISPLAY
fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs the program with its output in out.txt and err.txt, and its exit code in rc.
run() { set +e; "$BATCH" "$@" >out.txt 2>err.txt; rc=$?; set -e; }
