#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and runs the
# main job: for now the command-line tool on the bundled sample document.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=${LECTERN_BUILD_DIR:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLECTERN_TESTS=OFF >/dev/null
cmake --build "$build" --target lectern
"$build/bin/lectern" dump data/sample.txt
"$build/bin/lectern" convert data/sample.txt "$build/sample-out.txt"
echo "lectern: wrote $build/sample-out.txt"
