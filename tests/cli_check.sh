#!/usr/bin/env bash
# The console program seen from outside. Its CSV and JSON read back by real parsers
# (Python's csv and json), with names holding commas, apostrophes and characters outside
# ASCII (Windows names hold no double quote: that escape is tested natively): every path
# comes back exactly. And Ctrl+C in a terminal: exit code 3, with what was found reported.
set -euo pipefail
make_demo=$1 cli=$2
out=$(mktemp -d "${TMPDIR:-/tmp}/vellmoor-cli.XXXXXX")
trap 'rm -rf "$out"' EXIT
win() { echo "Z:${1//\//\\}"; }
/usr/lib/wine/wine64 "$make_demo" "$(win "$out/demo")" 2>/dev/null
for name in "a,b 'c' é中.lnk" 'semi;colon 😀.lnk'; do
  cp "$out/demo/Desktop/Game 2019.lnk" "$out/demo/Desktop/$name"
done
for format in csv json; do
  /usr/lib/wine/wine64 "$cli" list --format "$format" --output "$(win "$out/report.$format")" "$(win "$out/demo")" 2>/dev/null \
    || [ $? = 1 ]
done
/usr/bin/python3 - "$out" <<'PY'
import csv, json, os, sys
out = sys.argv[1]
win = lambda p: 'Z:' + p.replace('/', '\\')
desktop = os.path.join(out, 'demo', 'Desktop')
expected = {win(os.path.join(desktop, n)) for n in
            ("a,b 'c' é中.lnk", 'semi;colon 😀.lnk', 'Game 2019.lnk')}
expected |= {win(os.path.join(out, 'demo', 'Programs', p)) for p in
             ('Old Paint/Old Paint.lnk', 'Old Paint/Read Me.lnk', 'Tools/Disk Checker.lnk')}
with open(os.path.join(out, 'report.csv'), newline='', encoding='utf-8') as f:
    rows = list(csv.DictReader(f))
with open(os.path.join(out, 'report.json'), encoding='utf-8') as f:
    items = json.load(f)
for what, got in (('csv', rows), ('json', items)):
    paths = {r['path'] for r in got}
    if paths != expected:
        sys.exit('%s: %s' % (what, sorted(paths ^ expected)))
    if any(r['reason'] != 'missing' or not r['modified'].endswith('Z') for r in got):
        sys.exit('%s: reasons or times wrong: %s' % (what, got))
print('csv and json: %d paths each read back exactly' % len(expected))
PY

# Ctrl+C: under a pseudo-terminal Wine gives the program a console and turns SIGINT into it.
/usr/bin/python3 -c 'import os, shutil, sys
os.makedirs(sys.argv[2])
for i in range(3000): shutil.copy(sys.argv[1], os.path.join(sys.argv[2], "%d.lnk" % i))' "$out/demo/Desktop/Game 2019.lnk" "$out/many"
cat >"$out/run.sh" <<RUN
/usr/lib/wine/wine64 "$cli" list --format csv --output "$(win "$out/stopped.csv")" "$(win "$out/many")"
echo "exit=\$?"
RUN
script -qfc "bash $out/run.sh" "$out/terminal.log" >/dev/null &
# Once it has listed something; again until it ends, as a first signal can come before the
# console is set up.
for _ in $(seq 1 200); do grep -Eq '[1-9][0-9]* listed' "$out/terminal.log" 2>/dev/null && break; sleep 0.05; done
for _ in $(seq 1 50); do
  pkill -INT -f "vellmoor-cli.exe list --format csv --output" || break
  sleep 0.1
done
wait
grep -q 'exit=3' "$out/terminal.log" || { echo "Ctrl+C: not exit code 3"; cat -v "$out/terminal.log"; exit 1; }
rows=$(( $(wc -l <"$out/stopped.csv") - 1 ))
[ "$rows" -gt 0 ] && [ "$rows" -lt 3000 ] || { echo "Ctrl+C: $rows entries reported"; exit 1; }
[ "$(ls "$out/many" | wc -l)" = 3000 ] || { echo "Ctrl+C: files changed"; exit 1; }
echo "Ctrl+C: exit code 3 after $rows of 3000 entries, reported as CSV"
