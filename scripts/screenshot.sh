#!/usr/bin/env bash
# Makes docs/screenshot.png: the window with a golden program's icon previewed, in Xvfb.
# Needs a built program (build/dev by default; pass another build folder as $1).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
work=$(mktemp -d)
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

cp tests/data/golden/modern-group.exe "$work/setup.exe"
XDG_RUNTIME_DIR=$work "$build/app/exeicon" 2>/dev/null &
app=$!
window=$(xdotool search --sync --onlyvisible --name '^KorvelEXE')
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --sync $((X + 41 + 37)) $((Y + 15 + 11)) click 1
for _ in $(seq 100); do
  [ "$(xdotool search --onlyvisible --name '^Open$' | wc -l)" -ge 1 ] && break; sleep 0.1
done
xdotool type --delay 1 "$work/setup"
xdotool key Return
for _ in $(seq 100); do
  [ "$(xdotool search --onlyvisible --name '^Open$' | wc -l)" -eq 0 ] && break; sleep 0.1
done
sleep 0.3
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage docs/screenshot.png
echo "wrote docs/screenshot.png"
