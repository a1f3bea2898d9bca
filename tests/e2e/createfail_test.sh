#!/usr/bin/env bash
# Memory running out while the window creates its working objects ends the real program with a
# message on stderr and exit code 1, whether the first or the last of those objects fails. The
# failure is injected by preloading failnew.so, aimed at the create handler's own allocations.
ZAVO=$1
SOURCE=$2
FAILNEW=$4
source "$SOURCE/tests/e2e/common.sh"
start_session
read -r from size < <(nm -S -C --defined-only "$ZAVO" | awk '/ zavo::Tzavo::FormCreate\(zavo::TObject\*\)$/ {print $1, $2}')
[ -n "${size:-}" ] || { echo "the create handler is not in the program's symbol table" >&2; exit 1; }
for nth in 1 5; do
    ZAVO_FAIL_NEW="$from $size $nth" LD_PRELOAD="$FAILNEW" "$ZAVO" 2>"$work/stderr" &
    APP_PID=$!
    wait_exit
    echo "allocation $nth failing: exit code $EXIT_CODE, stderr: $(cat "$work/stderr")"
    [ "$EXIT_CODE" = 1 ] || { echo "the program should end with exit code 1" >&2; exit 1; }
    grep -q "^zavo: .*bad_alloc" "$work/stderr" || { echo "the failure should be told on stderr" >&2; exit 1; }
done
