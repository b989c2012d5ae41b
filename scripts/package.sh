#!/usr/bin/env bash
# Makes the portable downloads from this tree: build/dist/vellmoor-VERSION-win32.zip and
# -win64.zip (the program and its console program, help file, readme, licences) and build/dist/SHA256SUMS. The same
# commit gives the same bytes: no link time stamps, fixed file times and order.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh package
version=$(sed -n 's/^project(vellmoor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1700000000)}
dist=build/dist
rm -rf "$dist"
mkdir -p "$dist"
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target vellmoor vellmoor-cli help_file >/dev/null
  case $preset in win32) arch="32-bit" ;; *) arch="64-bit" ;; esac
  python3 - "$dist/vellmoor-$version-$preset.zip" "$version" "$arch" "build/$preset" <<'PY'
import os, sys, time, zipfile
out, version, arch, build = sys.argv[1:5]
stamp = time.gmtime(max(int(os.environ['SOURCE_DATE_EPOCH']), 315532800))[:6]  # zip starts at 1980

def text(path, subst=None):
    s = open(path, encoding='utf-8').read()
    for k, v in (subst or {}).items():
        s = s.replace(k, v)
    return s.replace('\r\n', '\n').replace('\n', '\r\n').encode('cp1252')

files = [
    ('vellmoor.exe', open(os.path.join(build, 'vellmoor.exe'), 'rb').read()),
    ('vellmoor-cli.exe', open(os.path.join(build, 'vellmoor-cli.exe'), 'rb').read()),
    ('vellmoor.chm', open(os.path.join(build, 'vellmoor.chm'), 'rb').read()),
    ('README.txt', text('docs/readme.txt.in', {'@PROJECT_VERSION@': version, '@VELLMOOR_ARCH@': arch})),
    ('LICENSE.txt', text('LICENSE')),
    ('licenses/mingw-w64-runtime-and-winpthreads.txt', text('/usr/share/doc/mingw-w64-common/copyright')),
    ('licenses/gcc-runtime-libraries.txt', text('/usr/share/doc/gcc-mingw-w64-base/copyright')),
    ('licenses/GPL-3.txt', text('/usr/share/common-licenses/GPL-3')),
]
prefix = 'vellmoor-%s/' % version
with zipfile.ZipFile(out, 'w') as z:
    for name, data in files:
        info = zipfile.ZipInfo(prefix + name, date_time=stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0  # MS-DOS: no Unix owner or mode bits
        info.external_attr = 0x20  # archive
        z.writestr(info, data, compresslevel=9)
PY
  echo "package: $dist/vellmoor-$version-$preset.zip"
done
(cd "$dist" && sha256sum -- *.zip > SHA256SUMS && cat SHA256SUMS)
