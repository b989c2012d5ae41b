#!/usr/bin/env bash
# Builds the packages again from a copy of this tree in another folder and compares them byte
# for byte with the ones this tree's build made (made first where there are none).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1700000000)}
ls "$root"/build/dist/vellmoor-*-win64.zip >/dev/null 2>&1 || bash "$root/scripts/package.sh" >/dev/null
copy=$work/another-folder
mkdir -p "$copy"
(cd "$root" && git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t "$copy")
bash "$copy/scripts/package.sh" >/dev/null
for f in SHA256SUMS vellmoor-*-win32.zip vellmoor-*-win64.zip; do
  a=$(ls "$root"/build/dist/$f) b=$(ls "$copy"/build/dist/$f)
  cmp "$a" "$b" || { echo "reproducible: $(basename "$a") differs between the two builds"; exit 1; }
done
echo "reproducible: a build in another folder gave identical packages"
cat "$root/build/dist/SHA256SUMS"
