#!/usr/bin/env bash
# Builds zavo with its tests and runs every test; then builds every layer with AddressSanitizer and
# UBSan (the system's Qt uninstrumented) and runs the unit and window tests again; then builds the
# tests of every worker thread with ThreadSanitizer and runs them; last, fuzzes each
# reader for a bounded time (libFuzzer, clang-14).
#
# The tests that read the independent test files (other programs' test suites, $ZAVO_TESTDATA, else
# ../shared/testdata beside the checkout) are skipped when that folder is missing, and the summary
# says so; with CI set, a missing folder fails the command, since CI must run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
testdata=${ZAVO_TESTDATA:-$(cd .. && pwd)/shared/testdata}
if [ ! -d "$testdata" ] && [ -n "${CI:-}" ]; then
  echo "test.sh: CI is set but the independent test files are not in $testdata (set ZAVO_TESTDATA)" >&2
  exit 1
fi
export ZAVO_TESTDATA=$testdata
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

summary=()
# Runs ctest in the build folder given first (any further words are its environment) and notes how
# many of its tests were skipped.
run_ctest() {
  local dir=$1 skipped
  shift
  (cd "$dir" && env "$@" ctest --output-on-failure -j "$jobs") | tee "$dir/ctest.log"
  skipped=$(grep -c '(Skipped)$' "$dir/ctest.log" || true)
  if [ "$skipped" -gt 0 ] && [ ! -d "$testdata" ]; then
    summary+=("$dir: $skipped tests skipped: the independent test files are not in $testdata (set ZAVO_TESTDATA)")
  elif [ "$skipped" -gt 0 ]; then
    summary+=("$dir: $skipped tests skipped (their reasons are in $dir/Testing/Temporary/LastTest.log)")
  else
    summary+=("$dir: no test skipped")
  fi
}

cmake -S . -B build -G Ninja -DZAVO_TESTDATA="$testdata"
cmake --build build -j "$jobs"
run_ctest build

cmake -S . -B build-asan -G Ninja -DZAVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DZAVO_TESTDATA="$testdata"
cmake --build build-asan -j "$jobs"
# Oversized requests must fail as they do without ASan (null from malloc), so that the code's own
# out-of-memory handling is what gets tested.
run_ctest build-asan ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1

# Only the tests of code that starts worker threads are built, to keep this step short.
cmake -S . -B build-tsan -G Ninja -DZAVO_TSAN=ON -DCMAKE_BUILD_TYPE=Debug -DZAVO_TESTDATA="$testdata"
cmake --build build-tsan -j "$jobs" --target thread_tests thread_widget_tests
(cd build-tsan && ctest --output-on-failure -L tsan)

# Only the harnesses: their configuration has no tests of its own to build. A crash, a sanitizer
# report or a hang fails the run.
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DZAVO_FUZZ=ON -DZAVO_TESTDATA="$testdata"
cmake --build build-fuzz -j "$jobs" --target fuzzers
(cd build-fuzz && ctest --output-on-failure -j "$jobs")

printf '%s\n' "${summary[@]}"
