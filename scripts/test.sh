#!/usr/bin/env bash
# Runs every test: installs what is missing, builds every preset, runs the window-free
# tests natively under the sanitizers, fuzzes the outside-input readers for a bounded time,
# runs the Windows tests under Wine on a virtual display, and makes, checks and rebuilds the
# downloads. Each step's heading gives the seconds since the installer finished.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh test
start=$SECONDS
step() { echo "== [$((SECONDS - start)) s] $*"; }

step "native (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "fuzzing the settings decoder, the command-line parser, the quarantine manifest and the shortcut layout"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-12}"

for preset in win32 win64; do
  step "build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
bash scripts/check-exe.sh build/win32/vellmoor.exe i386
bash scripts/check-exe.sh build/win64/vellmoor.exe x86-64
bash scripts/check-exe.sh build/win32/vellmoor-cli.exe i386 console
bash scripts/check-exe.sh build/win64/vellmoor-cli.exe x86-64 console

step "the installer and the package command on a mirror's bad day"
bash tests/install_check.sh

export VELLMOOR_TEST_SHARES=1
source scripts/wine-env.sh
trap wine_env_stop EXIT

step "Windows tests under Wine, 64-bit program"
ctest --preset win64 --timeout 180 -j2

step "the downloads: made, unpacked and run, and made again elsewhere to the same bytes"
bash scripts/package.sh
bash tests/package_check.sh
bash tests/reproducible_check.sh

if [ "$WINE32_OK" = 1 ]; then
  step "Windows tests under Wine, 32-bit program"
  ctest --preset win32 --timeout 180 -j2
else
  step "Windows tests under Wine, 32-bit program: not run, because $WINE32_WHY;"
  echo "   the 32-bit build was compiled and its executables checked above."
fi
step "done"
