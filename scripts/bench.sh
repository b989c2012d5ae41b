#!/usr/bin/env bash
# Benchmark: the program's search against the bare walk and shortcut checks on one tree.
# Usage: scripts/bench.sh [files] [shortcuts] [broken percent] [rounds]
#        (default: 18000 ordinary files, 2000 shortcuts, 10% of them broken, best of 5 rounds)
#        scripts/bench.sh --scale [largest tree in files]
#        memory, handles and list commands as trees and lists grow
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
source scripts/wine-env.sh
trap wine_env_stop EXIT
if [ "$WINE32_OK" = 1 ]; then preset=win32; loader=$WINE32; else preset=win64; loader=$WINE64; fi
cmake --preset "$preset" >/dev/null
bench=search_bench
if [ "${1:-}" = --scale ]; then bench=scale_bench; shift; fi
cmake --build --preset "$preset" --target "$bench" vellmoor-cli
echo "== $preset build"
"$loader" "build/$preset/tests/$bench.exe" "$@"
