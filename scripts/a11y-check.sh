#!/usr/bin/env bash
# Starts the Terrabook window on a virtual display with its own session bus
# and accessibility bus, and reads its template from outside the program
# over that bus, as a screen reader would (scripts/a11y-read.py): the text,
# the caret's offset, and the caret events of a few keys.
#   scripts/a11y-check.sh [BUILD_DIR]
# Needs what `scripts/setup.sh --interop` installs (at-spi2-core and
# python3-pyatspi) and a virtual X server (`--screen`); without them it says
# what is missing and exits 77, which the test suite counts as skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/asan}"

missing=()
[ -x /usr/libexec/at-spi-bus-launcher ] || missing+=(at-spi2-core)
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || missing+=(python3-pyatspi)
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v xdotool >/dev/null || missing+=(xdotool)
command -v dbus-run-session >/dev/null || missing+=(dbus)
if [ ${#missing[@]} -gt 0 ]; then
  echo "a11y-check.sh: skipped, not installed: ${missing[*]} (scripts/setup.sh --interop --screen)"
  exit 77
fi
[ -x "$build/bin/terrabook" ] || { echo "a11y-check.sh: no $build/bin/terrabook; build first" >&2; exit 2; }
build="$(cd "$build" && pwd)"

# The inner part runs inside a private session bus.
if [ -z "${A11Y_CHECK_INSIDE:-}" ]; then
  export A11Y_CHECK_INSIDE=1
  exec dbus-run-session -- "$0" "$build"
fi

display=":$((200 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
bus=""
app=""
work=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$work" ] && rm -rf "$work"
  [ -n "$bus" ] && kill "$bus" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  true
}
trap cleanup EXIT
export DISPLAY="$display" QT_QPA_PLATFORM=xcb ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done 2>/dev/null || sleep 1

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
bus=$!
sleep 1
# Qt talks to the bus only when told that a reader may listen.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
# A copy of the program's folder: the check never touches the build's template.
work="$(mktemp -d)"
cp "$build/bin/terrabook" "$build/bin/Terra.db" "$build/bin/terrabook.ltf" "$work/"
(cd "$work" && exec ./terrabook) >"$work/terrabook.log" 2>&1 &
app=$!
# A debug build with sanitizers on a busy machine may take a while.
window=""
for _ in $(seq 600); do
  window="$(xdotool search --name Terrabook 2>/dev/null | head -1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "a11y-check.sh: the window did not appear; the program said:" >&2
  cat "$work/terrabook.log" >&2
  exit 1
fi
sleep 2
# The document takes the keys: a click in it, then the reader's keys.
xdotool mousemove --window "$window" 300 300 click 1
sleep 0.5
/usr/bin/python3 scripts/a11y-read.py ctrl+Home Right Right Right shift+End
# A country's report, with the links and tables of its rich fields: the
# View list stepped and applied from the keyboard, the caret then moved in
# the report.
echo "--- a country's report"
A11Y_READ_WHOLE=1 A11Y_READ_WAIT_MS=6000 /usr/bin/python3 scripts/a11y-read.py \
  alt+w Down Down Down Return Tab Tab Tab ctrl+End
