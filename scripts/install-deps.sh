#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian bookworm (run as root).
# Quick no-op when everything is already there.
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
command -v i686-w64-mingw32-windres >/dev/null || need+=(binutils-mingw-w64-i686)
command -v wine >/dev/null || need+=(wine wine64)
[ -x /usr/lib/wine/wine ] || dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
command -v Xvfb >/dev/null || need+=(xvfb)
command -v xauth >/dev/null || need+=(xauth)
command -v xdotool >/dev/null || need+=(xdotool)
command -v xwininfo >/dev/null || need+=(x11-utils)
command -v import >/dev/null && import -version >/dev/null 2>&1 || need+=(imagemagick)
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
command -v clang++-14 >/dev/null || need+=(clang-14)
[ -f /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a ] || need+=(libclang-rt-14-dev)
[ -d /usr/src/googletest ] || need+=(googletest)
python3 -c 'import pylnk' 2>/dev/null || /usr/bin/python3 -c 'import pylnk' 2>/dev/null || need+=(python3-liblnk)
command -v pgrep >/dev/null || need+=(procps)
command -v chmcmd >/dev/null || need+=(fp-utils-3.2.2)
command -v extract_chmLib >/dev/null || need+=(libchm-bin)

if [ ${#need[@]} -eq 0 ]; then exit 0; fi
echo "installing: ${need[*]}"
if [ "$(id -u)" != 0 ]; then echo "run as root to install packages" >&2; exit 1; fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
