#!/usr/bin/env bash
# Builds the benchmarks optimised and prints their figures.
#   scripts/bench.sh [benchmark-filter]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=${LECTERN_BUILD_DIR:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLECTERN_TESTS=OFF -DLECTERN_BENCH=ON >/dev/null
cmake --build "$build"
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_filter="${1:-.}" --benchmark_min_time=0.2
done
