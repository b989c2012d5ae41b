#!/usr/bin/env bash
# The compiled help file, read back by an independent reader (chmlib): every page is in it,
# and its pages name every menu item of the program's resource script.
set -euo pipefail
chm=$1
rc=$2
help_dir=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

listing=$(enum_chmLib "$chm")
for page in "$help_dir"/*.html; do
  name=$(basename "$page")
  grep -q "/$name\$" <<<"$listing" || { echo "missing page: $name"; exit 1; }
done
extract_chmLib "$chm" "$out" >/dev/null
text=$(cat "$out"/*.html)
grep -q "<title>Vellmoor</title>" "$out/index.html" || { echo "index.html not extracted whole"; exit 1; }

missing=0
while IFS= read -r item; do
  item=${item//&/}
  if ! grep -qF "$item" <<<"$text"; then
    echo "menu item not in the help: $item"
    missing=1
  fi
done < <(sed -n 's/^ *MENUITEM "\([^"]*\)".*/\1/p' "$rc")
[ "$missing" = 0 ]
echo "help file: $(grep -c . <<<"$listing") entries, every menu item named"
