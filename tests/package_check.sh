#!/usr/bin/env bash
# The downloads as users get them: the 64-bit zip unpacked into a fresh folder and started
# on the demo folder under Wine (entries read from another process, closed with exit code
# 0, settings written beside it); the 32-bit zip's program checked as an executable.
# Expects the Wine environment (scripts/wine-env.sh) and the win64 test build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
version=$(sed -n 's/^project(vellmoor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -f "build/dist/vellmoor-$version-win64.zip" ] || bash scripts/package.sh >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win() { echo "Z:${1//\//\\}"; }
for arch in win32 win64; do
  mkdir -p "$work/$arch"
  (cd "$work/$arch" && python3 -m zipfile -e "$root/build/dist/vellmoor-$version-$arch.zip" .)
  for f in vellmoor.exe vellmoor-cli.exe vellmoor.chm README.txt LICENSE.txt licenses/mingw-w64-runtime-and-winpthreads.txt \
           licenses/gcc-runtime-libraries.txt; do
    [ -s "$work/$arch/vellmoor-$version/$f" ] || { echo "package: $arch lacks $f"; exit 1; }
  done
  grep -q $'\r$' "$work/$arch/vellmoor-$version/README.txt" || { echo "package: README.txt has no CR LF"; exit 1; }
done
bash scripts/check-exe.sh "$work/win32/vellmoor-$version/vellmoor.exe" i386
bash scripts/check-exe.sh "$work/win32/vellmoor-$version/vellmoor-cli.exe" i386 console
bash scripts/check-exe.sh "$work/win64/vellmoor-$version/vellmoor-cli.exe" x86-64 console
"${WINE64:-/usr/lib/wine/wine64}" build/win64/tests/make_demo.exe "$(win "$work/demo")" 2>/dev/null
VELLMOOR_PACKAGED_EXE=$(win "$work/win64/vellmoor-$version/vellmoor.exe") VELLMOOR_DEMO=$(win "$work/demo") \
  "${WINE64:-/usr/lib/wine/wine64}" build/win64/tests/wine_tests.exe --gtest_also_run_disabled_tests --gtest_filter='Package.*' \
  | grep -E '^\[ +(OK|FAILED|PASSED) '
