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

# Two test runs side by side, the second in an environment of its own (prefix, display,
# drives): the tests mostly wait on Wine, and on one display they must take turns. Where the
# 32-bit Wine runs, each program's suite is one of the two; otherwise the 64-bit suite is
# halved (every other test).
windows_tests() { # preset [ctest arguments...]
  local preset=$1
  shift
  ctest --preset "$preset" --timeout 180 -j2 "$@"
}
if [ "$WINE32_OK" = 1 ]; then
  step "Windows tests under Wine, the 64-bit and the 32-bit program side by side"
  first=(win64) second=(win32)
else
  step "Windows tests under Wine, 64-bit program, in two halves side by side"
  first=(win64 -I 1,,2) second=(win64 -I 2,,2)
fi
logs=build/windows-tests
mkdir -p "$logs"
windows_tests "${first[@]}" >"$logs/first.log" 2>&1 &
first_pid=$!
(
  export VELLMOOR_WINE_LANE=second
  source scripts/wine-env.sh
  trap wine_env_stop EXIT
  windows_tests "${second[@]}"
) >"$logs/second.log" 2>&1 &
second_pid=$!
failed=0
wait "$first_pid" || failed=1
wait "$second_pid" || failed=1
cat "$logs/first.log" "$logs/second.log"
[ "$failed" = 0 ] || { echo "== Windows tests failed (above)"; exit 1; }
if [ "$WINE32_OK" != 1 ]; then
  echo "== Windows tests under Wine, 32-bit program: not run, because $WINE32_WHY;"
  echo "   the 32-bit build was compiled and its executables checked above."
fi

step "the downloads: made, unpacked and run, and made again elsewhere to the same bytes"
bash scripts/package.sh
bash tests/package_check.sh
bash tests/reproducible_check.sh
step "done"
