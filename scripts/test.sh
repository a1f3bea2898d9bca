#!/usr/bin/env bash
# Builds zavo with its tests and runs every test; then builds every layer with AddressSanitizer and
# UBSan (the system's Qt uninstrumented) and runs the unit and window tests again; then builds the
# tests of every worker thread with ThreadSanitizer and runs them; last, fuzzes each
# reader for a bounded time (libFuzzer, clang-14).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build -G Ninja
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DZAVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan -j "$jobs"
# Oversized requests must fail as they do without ASan (null from malloc), so that the code's own
# out-of-memory handling is what gets tested.
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs")

# Only the tests of code that starts worker threads are built, to keep this step short.
cmake -S . -B build-tsan -G Ninja -DZAVO_TSAN=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-tsan -j "$jobs" --target thread_tests thread_widget_tests
(cd build-tsan && ctest --output-on-failure -L tsan)

# Only the harnesses: their configuration has no tests of its own to build. A crash, a sanitizer
# report or a hang fails the run.
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DZAVO_FUZZ=ON
cmake --build build-fuzz -j "$jobs" --target fuzzers
(cd build-fuzz && ctest --output-on-failure -j "$jobs")
