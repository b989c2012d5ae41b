#!/usr/bin/env bash
# Runs every test: installs what is missing, builds every preset, runs the window-free
# tests natively under the sanitizers, fuzzes the settings decoder for a bounded time, and
# runs the Windows tests under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh

echo "== native (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== fuzzing the settings decoder, the command-line parser, the quarantine manifest and the shortcut layout"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"

for preset in win32 win64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
bash scripts/check-exe.sh build/win32/vellmoor.exe i386
bash scripts/check-exe.sh build/win64/vellmoor.exe x86-64
bash scripts/check-exe.sh build/win32/vellmoor-cli.exe i386 console
bash scripts/check-exe.sh build/win64/vellmoor-cli.exe x86-64 console

source scripts/wine-env.sh
trap wine_env_stop EXIT

echo "== Windows tests under Wine, 64-bit program"
ctest --preset win64 --timeout 180

echo "== the downloads: made, unpacked and run, and made again elsewhere to the same bytes"
bash scripts/package.sh
bash tests/package_check.sh
bash tests/reproducible_check.sh

if [ "$WINE32_OK" = 1 ]; then
  echo "== Windows tests under Wine, 32-bit program"
  ctest --preset win32 --timeout 180
else
  echo "== Windows tests under Wine, 32-bit program: not run. This machine's kernel cannot"
  echo "   start 32-bit Linux programs, so Wine's 32-bit loader cannot run here; the 32-bit"
  echo "   build was compiled and its executable checked above."
fi
