#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and runs the
# main job: the Terrabook window with the sample template and the country
# table. Without a display it shows what the window would: one country's
# report as text and as a picture, and every report as a document.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=${LECTERN_BUILD_DIR:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLECTERN_TESTS=OFF >/dev/null
cmake --build "$build" --target terrabook lectern terra_data
bin="$build/bin"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/terrabook"
fi
echo "lectern: no display; showing the report of ${1:-Chile} instead of the window"
"$bin/lectern" merge "$bin/terrabook.ltf" "$bin/Terra.db" --country "${1:-Chile}" "$build/report.txt"
cat "$build/report.txt"
echo
"$bin/lectern" merge "$bin/terrabook.ltf" "$bin/Terra.db" --all "$build/reports" --to ltf
"$bin/lectern" merge "$bin/terrabook.ltf" "$bin/Terra.db" --country "${1:-Chile}" "$build/report.png" --width 700
echo "lectern: wrote $build/report.txt, its picture $build/report.png and one report per country in $build/reports"
