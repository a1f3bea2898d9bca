#!/usr/bin/env bash
# Builds zavo and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build --target zavo zavo-batch
exec ./build/src/app/zavo
