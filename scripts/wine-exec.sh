#!/usr/bin/env bash
# ctest's emulator for Windows test programs: runs one program under Wine with the
# prefix, display and wineserver that scripts/wine-env.sh set up for the test run.
# First argument: 32 or 64, the program's bitness.
bits=$1; shift
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-exec: run the tests through scripts/test.sh (no Wine environment here)" >&2
  exit 1
fi
if [ "$bits" = 32 ]; then
  if [ "${WINE32_OK:-0}" != 1 ]; then
    echo "32-bit program not run: ${WINE32_WHY:-the 32-bit Wine cannot run here}" >&2
    exit 77   # ctest: SKIP_RETURN_CODE
  fi
  exec /usr/lib/wine/wine "$@"
fi
exec /usr/lib/wine/wine64 "$@"
