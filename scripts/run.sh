#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and runs the
# main job: for now the command-line tool, filling the sample template with
# one country of the generated table.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=${LECTERN_BUILD_DIR:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLECTERN_TESTS=OFF >/dev/null
cmake --build "$build" --target lectern terra_data
bin="$build/bin"
"$bin/lectern" merge "$bin/terrabook.ltf" "$bin/Terra.db" --country "${1:-Chile}" "$build/report.txt"
cat "$build/report.txt"
echo
"$bin/lectern" merge "$bin/terrabook.ltf" "$bin/Terra.db" --all "$build/reports" --to ltf
"$bin/lectern" merge "$bin/terrabook.ltf" "$bin/Terra.db" --country "${1:-Chile}" "$build/report.png" --width 700
echo "lectern: wrote $build/report.txt, its picture $build/report.png and one report per country in $build/reports"
