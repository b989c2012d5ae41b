#!/usr/bin/env bash
# Checks a built vellmoor.exe: a GUI program for the given machine that imports only
# system DLLs and carries its icon, menu, version record and manifest. With a third
# argument "console": vellmoor-cli.exe, the same but a console program.
set -euo pipefail
exe=$1 arch=$2 kind=${3:-gui}
case "$arch" in i386) prefix=i686-w64-mingw32 fmt=pei-i386 ;; *) prefix=x86_64-w64-mingw32 fmt=pei-x86-64 ;; esac
fail() { echo "check-exe: $exe: $*" >&2; exit 1; }
head=$("$prefix-objdump" -p "$exe")
grep -q "file format $fmt" <<<"$head" || fail "not $fmt"
if [ "$kind" = console ]; then subsystem=00000003; else subsystem=00000002; fi
grep -Eq "^Subsystem[[:space:]]+$subsystem" <<<"$head" || fail "not a $kind program"
grep -q "TERMINAL_SERVICE_AWARE" <<<"$head" || fail "not marked Terminal-Server-aware"
allowed='^(KERNEL32|USER32|GDI32|SHELL32|OLE32|OLEAUT32|COMCTL32|IMM32|ADVAPI32|msvcrt|api-ms-win-crt-[a-z0-9-]+)\.dll$'
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$head")
while read -r dll; do
  grep -Eiq "$allowed" <<<"$dll" || fail "imports $dll, which a clean Windows lacks"
done <<<"$dlls"
res=$("$prefix-objdump" -s -j .rsrc "$exe" | wc -l)
[ "$res" -gt 10 ] || fail "no resources"
# Resource directory entries by type: 3 icon, 4 menu, 14 icon group, 16 version, 24 manifest.
python3 - "$exe" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', data, 0x3C)[0]
nsec = struct.unpack_from('<H', data, pe + 6)[0]
optsize = struct.unpack_from('<H', data, pe + 20)[0]
sec = pe + 24 + optsize
for i in range(nsec):
    name, vsize, va, rawsize, raw = struct.unpack_from('<8sIIII', data, sec + 40 * i)
    if name.rstrip(b'\0') == b'.rsrc':
        break
else:
    sys.exit('check-exe: no .rsrc section')
def entries(off):
    n1, n2 = struct.unpack_from('<HH', data, raw + off + 12)
    out = []
    for k in range(n1 + n2):
        ident, target = struct.unpack_from('<II', data, raw + off + 16 + 8 * k)
        out.append((ident, target & 0x7FFFFFFF))
    return out
types = dict(entries(0))
for t, what in ((3, 'icon'), (4, 'menu'), (14, 'icon group'), (16, 'version'), (24, 'manifest')):
    if t not in types:
        sys.exit('check-exe: no %s resource' % what)
names = dict(entries(types[4]))
if 102 not in names:
    sys.exit('check-exe: no menu 102')
langs = [lang for lang, _ in entries(names[102])]
if 0x411 not in langs:
    sys.exit('check-exe: menu 102 is not Japanese (%s)' % langs)
groups = dict(entries(types[14]))
if 101 not in groups:
    sys.exit('check-exe: no icon 101')
PY
version=$(sed -n 's/^project(vellmoor VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
ver=$(strings -el "$exe" | grep -A1 -x FileVersion | tail -1)
[ "$ver" = "$version" ] || fail "version record says '$ver', the project $version"
grep -q "name=\"Vellmoor.Vellmoor\" version=\"$version\"" <(strings "$exe") || fail "manifest is not version $version"
# Windows takes the UTF-8 code page only spelled so; Wine ignores case and would not notice.
grep -qF '<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>' \
  <(strings "$exe") || fail "manifest does not ask for the UTF-8 code page"
echo "check-exe: $exe is a $fmt $kind program with its resources; imports: $(echo $dlls | tr '\n' ' ')"
