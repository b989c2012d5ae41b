# Sourced by the run and test scripts: a Wine prefix of the project's own, an X display
# (Xvfb when none is given) and one persistent wineserver on that display.
# Afterwards: WINEPREFIX, DISPLAY, XDG_DATA_HOME, WINEDEBUG, WINEDLLOVERRIDES are exported
# and wine_env_stop stops what was started here.
# VELLMOOR_WINE_LANE=NAME makes a second environment that shares nothing with the first, so
# two test runs can go side by side: its own prefix, Xvfb display, drives, shares and bin,
# all under build/lane-NAME.

root=${VELLMOOR_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
_wine_place=$root/build
if [ -n "${VELLMOOR_WINE_LANE:-}" ]; then
  _wine_place=$root/build/lane-$VELLMOOR_WINE_LANE
  unset WINEPREFIX XDG_DATA_HOME DISPLAY
fi
export WINEPREFIX=${WINEPREFIX:-$_wine_place/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# 64-bit programs run through wine64. 32-bit ones need the 32-bit Wine installed and a
# kernel that runs 32-bit Linux programs; WINE32_OK tells whether both hold, WINE32_WHY why not.
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINE32_OK=0 WINE32_WHY=""
if ! bash "$root/scripts/runs-32bit.sh"; then
  WINE32_WHY="this machine's kernel cannot start 32-bit Linux programs"
elif [ ! -x "$WINE32" ]; then
  WINE32_WHY="the 32-bit Wine (wine32:i386) is not installed on this machine"
elif ! _w32=$("$WINE32" --version 2>&1); then
  WINE32_WHY="the 32-bit Wine does not start: $(printf '%s' "$_w32" | head -n 1)"
else
  WINE32_OK=1
fi
[ "$WINE32_OK" = 1 ] || export WINELOADER=$WINE64
export WINE32_OK WINE32_WHY
# Recycle Bin deletions land in $XDG_DATA_HOME/Trash, on the prefix's file system.
export XDG_DATA_HOME=${XDG_DATA_HOME:-$_wine_place/xdg-data}
mkdir -p "$XDG_DATA_HOME"

_wine_started_xvfb=""
if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display itself and names it when ready: two environments starting at
  # once cannot take the same one.
  mkdir -p "$_wine_place"
  rm -f "$_wine_place/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$_wine_place/display" >/dev/null 2>&1 &
  _wine_started_xvfb=$!
  for _ in $(seq 1 100); do [ -s "$_wine_place/display" ] && break; sleep 0.05; done
  [ -s "$_wine_place/display" ] || { echo "wine-env: Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -n 1 "$_wine_place/display")"
fi

if [ ! -f "$WINEPREFIX/.vellmoor-ready" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE64" wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  # Without a window manager, window closes stall unless Wine manages nothing itself.
  "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" || { echo "wine-env: could not set up $WINEPREFIX" >&2; return 1; }
  touch "$WINEPREFIX/.vellmoor-ready"
fi
# A new prefix links the profile's Desktop, Documents... to the Unix home folder; the
# standard places of the console program would walk all of it. Folders of their own.
for d in "$WINEPREFIX"/drive_c/users/*/{Desktop,Documents,Downloads,Music,Pictures,Videos,Templates}; do
  if [ -L "$d" ]; then rm -f "$d"; mkdir -p "$d"; fi
done
# Drive V: is a folder of the tests' own, so a search can start at a drive root.
mkdir -p "$_wine_place/drive-v"
ln -sfn "$_wine_place/drive-v" "$WINEPREFIX/dosdevices/v:"
# The same folder as the share \\vmshare\v: a server that answers.
mkdir -p "$WINEPREFIX/dosdevices/unc/vmshare"
ln -sfn "$_wine_place/drive-v" "$WINEPREFIX/dosdevices/unc/vmshare/v"
# For the tests (VELLMOOR_TEST_SHARES=1): a server that does not answer, as the shares
# \\vmhung\a and \\vmhung\b: a FUSE file system whose every lookup takes 5 s.
# VELLMOOR_HUNG_SHARE names the server, or VELLMOOR_HUNG_WHY says why there is none.
_wine_hung_fs="" _wine_hung_dir="$_wine_place/hung"
export VELLMOOR_HUNG_SHARE="" VELLMOOR_HUNG_WHY="not asked for (VELLMOOR_TEST_SHARES=1)"
if [ "${VELLMOOR_TEST_SHARES:-0}" = 1 ]; then
  fusermount -u -z "$_wine_hung_dir" 2>/dev/null || true
  mkdir -p "$_wine_hung_dir" "$WINEPREFIX/dosdevices/unc/vmhung"
  if [ ! -c /dev/fuse ] || ! /usr/bin/python3 -c 'import fusepy' 2>/dev/null; then
    VELLMOOR_HUNG_WHY="no /dev/fuse, or no python3-fusepy"
  else
    /usr/bin/python3 "$root/tests/hung_fs.py" "$_wine_hung_dir" 5 >/dev/null 2>&1 &
    _wine_hung_fs=$!
    for _ in $(seq 1 100); do mountpoint -q "$_wine_hung_dir" && break; sleep 0.05; done
    if mountpoint -q "$_wine_hung_dir"; then
      ln -sfn "$_wine_hung_dir" "$WINEPREFIX/dosdevices/unc/vmhung/a"
      ln -sfn "$_wine_hung_dir" "$WINEPREFIX/dosdevices/unc/vmhung/b"
      VELLMOOR_HUNG_SHARE='\\vmhung' VELLMOOR_HUNG_WHY=""
    else
      VELLMOOR_HUNG_WHY="the FUSE file system could not be mounted here"
    fi
  fi
fi

wineserver -k >/dev/null 2>&1 || true
wineserver -p
# The first Wine process starts the prefix's services, which keep whatever output they
# inherit open: start them here, detached, so a test's output pipe closes when it ends.
"$WINE64" cmd /c exit </dev/null >/dev/null 2>&1 || true
# Likewise the desktop process, which otherwise comes and goes with each program's windows.
"$WINE64" explorer.exe /desktop </dev/null >/dev/null 2>&1 &

wine_env_stop() {
  # Lookups still waiting on the hung shares fail at once, and their programs can end.
  if [ -n "$_wine_hung_fs" ]; then
    fusermount -u -z "$_wine_hung_dir" 2>/dev/null || true
    kill "$_wine_hung_fs" 2>/dev/null || true
  fi
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$_wine_started_xvfb" ]; then kill "$_wine_started_xvfb" 2>/dev/null || true; fi
}
