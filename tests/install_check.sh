#!/usr/bin/env bash
# The installer on a mirror's bad day, with apt-get replaced by a wrapper first on PATH whose
# update fails as a mirror mid-sync does and which cannot install wine32:i386 (nor, in one row,
# a package the build needs); then the package command still makes both zips.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/apt-get" <<'APT'
#!/bin/sh
echo "apt-get $*" >>"$APT_LOG"
[ "$1" = update ] && { echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2; exit 100; }
for a in "$@"; do
  case " $APT_BROKEN " in *" $a "*) echo "E: Package '$a' has no installation candidate" >&2; exit 100 ;; esac
done
exit 0
APT
chmod +x "$work/bin/apt-get"
fails=0
check() { # what, condition...
  if ! "${@:2}"; then echo "install_check: FAILED: $1"; fails=$((fails + 1)); fi
}
# Every package asked for again; the kernel taken to run 32-bit programs, so the 32-bit Wine is tried.
run() { # mode, broken packages
  : >"$work/apt.log"
  set +e
  APT_LOG=$work/apt.log APT_BROKEN=$2 VELLMOOR_DEPS_RECHECK=1 VELLMOOR_RUNS_32BIT=1 PATH="$work/bin:$PATH" \
    bash scripts/install-deps.sh "$1" >"$work/out" 2>&1
  rc=$?
  set -e
}

run test "wine32:i386"
check "a failed update and no 32-bit Wine still install the rest, exit 0 (exit $rc)" [ "$rc" = 0 ]
check "the update's failure is a warning" grep -q "warning: apt-get update failed" "$work/out"
check "one line names the 32-bit Wine left out" grep -q "left out the 32-bit Wine (wine32:i386)" "$work/out"
check "the rest is installed without it" grep -q "install .*xdotool" "$work/apt.log"
check "the 32-bit Wine was tried on its own" grep -qx "apt-get install -y -qq --no-install-recommends wine32:i386" "$work/apt.log"

run test "wine32:i386 xdotool"
check "a needed package that cannot be had is an error (exit $rc)" [ "$rc" != 0 ]
check "the error names it" grep -q "cannot install xdotool," "$work/out"

run package "wine32:i386"
check "packaging installs only what packaging needs (exit $rc)" [ "$rc" = 0 ]
check "packaging asks for no Wine" sh -c "! grep -q wine '$work/apt.log'"
check "packaging asks for the compilers" grep -q "g++-mingw-w64-i686-posix" "$work/apt.log"

: >"$work/apt.log"
rm -rf build/dist
APT_LOG=$work/apt.log APT_BROKEN="wine32:i386" PATH="$work/bin:$PATH" bash scripts/package.sh >"$work/out" 2>&1 || true
for z in win32 win64; do
  check "the package command makes the $z zip" sh -c "ls build/dist/vellmoor-*-$z.zip >/dev/null 2>&1"
done

[ "$fails" = 0 ] || { cat "$work/out"; exit 1; }
echo "install_check: the installer and the package command survive a broken mirror"
