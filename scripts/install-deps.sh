#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian bookworm (run as root).
# Usage: install-deps.sh [test|package]   (test, the default: everything; package: only what
# making the downloads needs). Quick no-op when everything is already there.
# A mirror's bad day must not stop the work: an index that cannot be read is a warning, and
# the 32-bit Wine is optional (without it the 32-bit Windows tests are reported as not run).
# A package the build truly needs and cannot get is an error that names it.
# VELLMOOR_DEPS_RECHECK=1 asks apt for every package again, installed or not;
# VELLMOOR_RUNS_32BIT=1 takes the kernel to start 32-bit programs (the installer's own test).
set -euo pipefail
mode=${1:-test}
case "$mode" in test|package) ;; *) echo "usage: install-deps.sh [test|package]" >&2; exit 2 ;; esac
here=$(cd "$(dirname "$0")" && pwd)

need=()
want() { # package, then the command that tells it is there
  local pkg=$1; shift
  if [ "${VELLMOOR_DEPS_RECHECK:-0}" = 1 ] || ! "$@" >/dev/null 2>&1; then need+=("$pkg"); fi
}
have() { command -v "$1"; }

# Making the downloads: both compilers and resource compilers, CMake, the help compiler,
# GoogleTest (the build files include it) and Python for the zips.
want g++-mingw-w64-i686-posix have i686-w64-mingw32-g++-posix
want g++-mingw-w64-x86-64-posix have x86_64-w64-mingw32-g++-posix
want binutils-mingw-w64-i686 have i686-w64-mingw32-windres
want binutils-mingw-w64-x86-64 have x86_64-w64-mingw32-windres
want cmake have cmake
want ninja-build have ninja
want fp-utils-3.2.2 have chmcmd
want googletest test -d /usr/src/googletest
want python3 have python3
if [ "$mode" = test ]; then
  want wine have wine
  want wine64 test -x /usr/lib/wine/wine64
  want xvfb have Xvfb
  want xauth have xauth
  want xdotool have xdotool
  want x11-utils have xwininfo
  want imagemagick sh -c 'command -v import && import -version'
  want g++ have g++
  want clang-14 have clang++-14
  want libclang-rt-14-dev test -f /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a
  want python3-liblnk sh -c 'python3 -c "import pylnk" || /usr/bin/python3 -c "import pylnk"'
  want procps have pgrep
  want libchm-bin have extract_chmLib
  # A drive or server that does not answer, for the tests: a FUSE file system in Python.
  want python3-fusepy /usr/bin/python3 -c 'import fusepy'
  want fuse3 have fusermount
  # A Windows Installer package with an advertised shortcut, installed by Wine's msiexec.
  want wixl have wixl
fi

# The 32-bit Wine only where this kernel can start 32-bit programs at all.
wine32=""
if [ "$mode" = test ] && { [ "${VELLMOOR_DEPS_RECHECK:-0}" = 1 ] || ! [ -x /usr/lib/wine/wine ]; }; then
  if [ "${VELLMOOR_RUNS_32BIT:-}" = 1 ] || bash "$here/runs-32bit.sh"; then
    wine32=wine32:i386
  else
    echo "install-deps: not installing the 32-bit Wine (wine32:i386): this machine's kernel cannot start 32-bit programs"
  fi
fi

if [ ${#need[@]} -eq 0 ] && [ -z "$wine32" ]; then exit 0; fi
if [ "$(id -u)" != 0 ]; then echo "install-deps: run as root to install: ${need[*]} $wine32" >&2; exit 1; fi
export DEBIAN_FRONTEND=noninteractive
if [ -n "$wine32" ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi

# Some indexes failing (a mirror mid-sync) still leaves the others, and the old lists, usable.
if ! out=$(apt-get update -qq 2>&1); then
  echo "install-deps: warning: apt-get update failed for some indexes; installing from what apt has:"
  printf '%s\n' "$out" | grep -m 3 '^E:' | sed 's/^/  /'
fi

if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  if ! apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null; then
    # Name exactly what could not be had.
    missing=()
    for p in "${need[@]}"; do
      apt-get install -y -qq --no-install-recommends "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
      echo "install-deps: error: cannot install ${missing[*]}, which the build and its tests need" >&2
      exit 1
    fi
  fi
fi

if [ -n "$wine32" ]; then
  echo "installing: $wine32"
  if ! out=$(apt-get install -y -qq --no-install-recommends "$wine32" 2>&1 >/dev/null); then
    why=$(printf '%s\n' "$out" | grep -m 1 '^E:' || true)
    echo "install-deps: left out the 32-bit Wine ($wine32), which apt could not install${why:+ ($why)}; the 32-bit Windows tests will be reported as not run"
  fi
fi
exit 0
