#!/usr/bin/env bash
# Builds Vellmoor and starts it under Wine searching FOLDER at once; with no FOLDER, on a
# demo folder (a small Start menu with some shortcuts whose programs were uninstalled) made
# in the Wine prefix. With no X display it runs on a virtual one, waits for the search to
# end and writes a screenshot to build/screenshot.png.
# Usage: scripts/run.sh [FOLDER]   (a Windows path such as C:\\users, or a Unix path)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

headless=0
[ -n "${DISPLAY:-}" ] || headless=1
source scripts/wine-env.sh
trap wine_env_stop EXIT

# The 32-bit program where this machine can run it, the 64-bit one otherwise.
if [ "$WINE32_OK" = 1 ]; then preset=win32; loader=$WINE32; else preset=win64; loader=$WINE64; fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target vellmoor help_file make_demo wait_for_search >/dev/null
exe="build/$preset/vellmoor.exe"

if [ $# -gt 0 ]; then
  folder=$1
  case "$folder" in /*) folder="Z:${folder//\//\\}" ;; esac
else
  folder='C:\users\Public\Vellmoor demo'
  demo="$WINEPREFIX/drive_c/users/Public/Vellmoor demo"
  rm -rf "$demo"
  "$loader" "build/$preset/tests/make_demo.exe" "$folder" 2>/dev/null
fi
args=("$folder")

if [ "$headless" = 0 ]; then
  "$loader" "$exe" "${args[@]}"
  exit 0
fi

"$loader" "$exe" "${args[@]}" &
wid=""
for _ in $(seq 1 100); do
  wid=$(xdotool search --name '^Vellmoor$' 2>/dev/null | head -n 1 || true)
  [ -n "$wid" ] && break
  sleep 0.2
done
[ -n "$wid" ] || { echo "run: the Vellmoor window did not appear" >&2; exit 1; }
"$loader" "build/$preset/tests/wait_for_search.exe" 120 2>/dev/null || true
sleep 0.5  # the list paints after the status line
eval "$(xdotool getwindowgeometry --shell "$wid")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" build/screenshot.png
echo "run: Vellmoor is running on a virtual display (no X display here); screenshot: build/screenshot.png"
