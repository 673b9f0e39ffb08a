#!/usr/bin/env bash
# Takes a real X11 screenshot of the Terrabook window on a virtual display,
# so that what the window shows (caret, selection, drawing) can be looked at
# on a machine without a screen.
#   scripts/screenshot.sh OUT.png [BUILD_DIR] [-- XDOTOOL_ARGS...]
# XDOTOOL_ARGS drive the window before the shot, for example
#   scripts/screenshot.sh /tmp/shot.png -- mousemove 300 92 click 1 sleep 0.5 key End
# (the debug build repaints slowly: give each step a moment)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:?usage: scripts/screenshot.sh OUT.png [BUILD_DIR] [-- XDOTOOL_ARGS...]}"
shift
build="build/asan"
if [ $# -gt 0 ] && [ "$1" != "--" ]; then build="$1"; shift; fi
[ $# -gt 0 ] && [ "$1" = "--" ] && shift
scripts/setup.sh --screen
[ -x "$build/bin/terrabook" ] || { echo "screenshot.sh: no $build/bin/terrabook; build first" >&2; exit 2; }

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=""
cleanup() { [ -n "$app" ] && kill "$app" 2>/dev/null; kill "$xvfb" 2>/dev/null; true; }
trap cleanup EXIT
export DISPLAY="$display" QT_QPA_PLATFORM=xcb ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done 2>/dev/null || sleep 1

# The program reads its template and table beside itself.
(cd "$build/bin" && exec ./terrabook) >/dev/null 2>&1 &
app=$!
for _ in $(seq 100); do xdotool search --name Terrabook >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
# Shortly after the last key, while a blinking caret is still in its shown half.
if [ $# -gt 0 ]; then xdotool "$@"; sleep 0.2; fi
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$out"
echo "screenshot.sh: wrote $out"
