#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test; then builds the word
# checker's stress test alone with ThreadSanitizer and runs it.
#   scripts/test.sh          both runs
#   scripts/test.sh --tsan   only the ThreadSanitizer run
set -euo pipefail
cd "$(dirname "$0")/.."
asan=1
for arg in "$@"; do
  case "$arg" in
    --tsan) asan=0 ;;
    *) echo "test.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done
scripts/setup.sh
if [ "$asan" = 1 ]; then
  build=${LECTERN_BUILD_DIR:-build/asan}
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLECTERN_SANITIZE=ON \
        -DLECTERN_TESTS=ON -DLECTERN_BENCH=ON >/dev/null
  cmake --build "$build"
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
fi

# The worker thread and the editor share the document: any race there is a
# failure. Only the libraries the stress test links are built.
tsan=${LECTERN_TSAN_BUILD_DIR:-build/tsan}
cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLECTERN_TSAN=ON -DLECTERN_TESTS=ON >/dev/null
cmake --build "$tsan" --target spell_stress_tests
TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1} "$tsan/bin/spell_stress_tests"
