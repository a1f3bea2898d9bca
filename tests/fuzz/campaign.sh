#!/usr/bin/env bash
# Fuzzes each harness for a given time from its committed corpus (tests/fuzz/corpus/<harness>),
# then merges what it found that reaches new code into that corpus (-merge=1). Inputs stay
# under 4 KB (at most 4095 bytes). A crash, a sanitizer report, an input that runs past the time limit (60 s), or one
# allocation past the surface limit (2 GiB) stops that harness and is reported with its input.
# Prints, per harness, the seconds it ran, its executions, and libFuzzer's coverage (cov:) once the
# corpus was read and at the end.
#
# usage: tests/fuzz/campaign.sh [-j JOBS] [-b BUILD_DIR] [-m] SECONDS [HARNESS...]
#   JOBS harnesses at once (default 2); BUILD_DIR holds the fuzzers (default build-fuzz, made with
#   CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DZAVO_FUZZ=ON and the target
#   fuzzers); without HARNESS, every harness; SECONDS 0 fuzzes not at all, only merges. -m makes
#   each corpus anew as the smallest set of its inputs and the new ones that reaches the same code,
#   dropping inputs that others have made redundant. Run it under `nice -n 19` on a shared machine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# fontconfig and Qt keep caches until exit; only their leaks are suppressed.
export LSAN_OPTIONS="suppressions=$here/../lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
jobs=2 build=$here/../../build-fuzz minimise=0
while getopts j:b:m option; do
  case $option in
    j) jobs=$OPTARG ;;
    b) build=$OPTARG ;;
    m) minimise=1 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] && [[ $1 =~ ^[0-9]+$ ]] || { sed -n 's/^# usage: /usage: /p' "$0" >&2; exit 2; }
seconds=$1
shift
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for source in "$here"/*_fuzzer.cpp; do harnesses+=("$(basename "$source" .cpp)"); done
fi
build=$(cd "$build" && pwd)
out=$build/tests/fuzz/campaign
mkdir -p "$out"

# A surface may take 2 GiB and be drawn once more into a working bitmap; one allocation above that is
# a fault (libFuzzer's malloc limit fires at sizes of LIMIT MiB and more). The time limit is wall
# time: filling a 2 GiB surface takes a few seconds of processor time, which a niced run on a busy
# machine stretches many times over.
limits=(-max_len=4095 -timeout=60 -rss_limit_mb=6144 -malloc_limit_mb=2049)

# The folders a harness reads, its own corpus first. The picture harness reaches every reader, so it
# reads every corpus, and its own holds only what adds to them.
reads() {
  echo "$here/corpus/$1"
  if [ "$1" = picture_fuzzer ]; then
    local other
    for other in "$here"/corpus/*_fuzzer; do [ "$other" = "$here/corpus/$1" ] || echo "$other"; done
  fi
}

# cov: of the first libFuzzer status line holding WORD (INITED, DONE), or of the last status line.
coverage() {
  local line
  if [ -n "$2" ]; then line=$(grep -a -m1 -E "^#[0-9]+[[:space:]]+$2 " "$1" || true)
  else line=$(grep -a -E '^#[0-9]+[[:space:]].* cov: ' "$1" | tail -n 1 || true); fi
  sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<< "$line"
}

run_one() {
  local name=$1 binary=$build/tests/fuzz/$1
  local corpus=$here/corpus/$name work=$out/$name
  rm -rf "$work" && mkdir -p "$work/found" "$corpus"
  [ -x "$binary" ] || { echo "$name: no fuzzer at $binary" > "$work/summary"; return; }
  local inputs
  mapfile -t inputs < <(reads "$name")
  local start=$SECONDS status=0
  touch "$work/log"
  [ "$seconds" -eq 0 ] || "$binary" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/found" "${inputs[@]}" > "$work/log" 2>&1 || status=$?
  local elapsed=$((SECONDS - start))
  local execs
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  local result=ok
  if [ $status -ne 0 ]; then
    result="FAILED (exit $status): $(grep -a -m1 -E '^==[0-9]+==|^ERROR:|^SUMMARY:|out-of-memory|timeout' "$work/log" || true)"
    result+="; input: $(ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* 2>/dev/null | head -n 1 || true)"
  fi
  # Merged into a copy of the corpora the harness reads (without its own, with -m), so that only
  # what reaches new code (an edge, not merely a new count of passes over one) joins.
  mkdir "$work/union" "$work/candidates"
  local folder
  for folder in "${inputs[@]}"; do
    local into=$work/union
    [ $minimise = 1 ] && [ "$folder" = "$corpus" ] && into=$work/candidates
    find "$folder" -type f -exec cp -f -t "$into" {} +
  done
  LC_ALL=C ls "$work/union" > "$work/read.list"
  if "$binary" -merge=1 -use_counters=0 -max_len=4095 "$work/union" "$work/found" "$work/candidates" \
       > "$work/merge.log" 2>&1; then
    [ $minimise = 0 ] || find "$corpus" -type f -delete
    LC_ALL=C comm -13 "$work/read.list" <(LC_ALL=C ls "$work/union") | while read -r file; do cp "$work/union/$file" "$corpus/"; done
  else
    result+="; the merge failed, see $work/merge.log"
  fi
  local files
  files=$(find "$corpus" -type f | wc -l)
  if [ "$seconds" -eq 0 ]; then
    printf '%s: merged only, corpus %s files; %s\n' "$name" "$files" "$result" > "$work/summary"
  else
    printf '%s: %s s, %s execs, cov %s at start, %s at end, corpus %s files; %s\n' "$name" "$elapsed" \
      "${execs:-?}" "$(coverage "$work/log" INITED)" "$(coverage "$work/log" "")" "$files" "$result" \
      > "$work/summary"
  fi
}

for name in "${harnesses[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  # The picture corpus is made relative to the others: with -m, once they are made.
  if [ $minimise = 1 ] && [ "$name" = picture_fuzzer ]; then wait; fi
  run_one "$name" &
done
wait
failed=0
for name in "${harnesses[@]}"; do
  cat "$out/$name/summary" || echo "$name: no summary"
  grep -qs '; ok$' "$out/$name/summary" || failed=1
done
exit $failed
