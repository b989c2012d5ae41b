#!/usr/bin/env bash
# Builds the packages twice from copies of this tree in two different folders and compares
# them byte for byte.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1700000000)}
for copy in first second-folder; do
  mkdir -p "$work/$copy"
  (cd "$root" && git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t "$work/$copy")
  bash "$work/$copy/scripts/package.sh" >/dev/null
done
for f in SHA256SUMS vellmoor-*-win32.zip vellmoor-*-win64.zip; do
  a=$(ls "$work"/first/build/dist/$f) b=$(ls "$work"/second-folder/build/dist/$f)
  cmp "$a" "$b" || { echo "reproducible: $(basename "$a") differs between the two builds"; exit 1; }
done
echo "reproducible: both builds gave identical packages"
cat "$work/first/build/dist/SHA256SUMS"
