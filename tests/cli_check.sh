#!/usr/bin/env bash
# The console program seen from outside. Its CSV and JSON read back by real parsers
# (Python's csv and json), with names holding commas, apostrophes and characters outside
# ASCII (Windows names hold no double quote: that escape is tested natively): every path
# comes back exactly. Ctrl+C in a terminal: exit code 3, with what was found reported. Two
# quarantine runs into one folder at once.
set -euo pipefail
make_demo=$1 cli=$2
out=$(mktemp -d "${TMPDIR:-/tmp}/vellmoor-cli.XXXXXX")  # its name picks this run's processes for Ctrl+C
trap 'rm -rf "$out"' EXIT
win() { echo "Z:${1//\//\\}"; }
# A shortcut of its link information alone, as the shell reads it.
make_link() { # shortcut, Windows target
  python3 - "$1" "$2" <<'PY'
import struct, sys
target = sys.argv[2].encode('latin-1') + b'\0'
volume = struct.pack('<IIII', 0x11, 3, 0x1234, 0x10) + b'\0'
body = volume + target + b'\0'
info = struct.pack('<7I', 0x1C + len(body), 0x1C, 1, 0x1C, 0x1C + len(volume), 0, 0x1C + len(volume) + len(target)) + body
header = struct.pack('<I16sII', 0x4C, bytes.fromhex('0114020000000000c000000000000046'), 0x82, 0) + bytes(24) + \
       struct.pack('<IiIHHII', 0, 0, 1, 0, 0, 0, 0)
open(sys.argv[1], 'wb').write(header + info + bytes(4))
PY
}
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
             ('Old Paint/Old Paint.lnk', 'Old Paint/Read Me.lnk', 'Tools/Disk Checker.lnk', 'Tools/Backup.lnk')}
with open(os.path.join(out, 'report.csv'), newline='', encoding='utf-8') as f:
    rows = list(csv.DictReader(f))
with open(os.path.join(out, 'report.json'), encoding='utf-8') as f:
    items = json.load(f)
for what, got in (('csv', rows), ('json', items)):
    paths = {r['path'] for r in got}
    if paths != expected:
        sys.exit('%s: %s' % (what, sorted(paths ^ expected)))
    absent = lambda r: r['path'].endswith('Backup.lnk')
    if any(r['reason'] != ('drive-absent' if absent(r) else 'missing') or not r['modified'].endswith('Z') for r in got):
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
# Once it has listed something (the handler is in place by then), one Ctrl+C: the run stops
# after the current file and reports what it found. A second one would end it at once.
for _ in $(seq 1 200); do grep -Eq '[1-9][0-9]* listed' "$out/terminal.log" 2>/dev/null && break; sleep 0.05; done
pkill -INT -f "vellmoor-cli.exe list --format csv --output .*${out##*/}" || true
wait
grep -q 'exit=3' "$out/terminal.log" || { echo "Ctrl+C: not exit code 3"; cat -v "$out/terminal.log"; exit 1; }
rows=$(( $(wc -l <"$out/stopped.csv") - 1 ))
[ "$rows" -gt 0 ] && [ "$rows" -lt 3000 ] || { echo "Ctrl+C: $rows entries reported"; exit 1; }
[ "$(ls "$out/many" | wc -l)" = 3000 ] || { echo "Ctrl+C: files changed"; exit 1; }
echo "Ctrl+C: exit code 3 after $rows of 3000 entries, reported as CSV"

# The report's folder, then the quarantine, swapped for another folder of the same name once the
# run has begun: the new folder gets nothing, and the run says so instead of writing there.
for run in list delete; do
  for attempt in 1 2 3; do
    # The last run's log goes too: its progress would start the swap before this run holds anything.
    rm -rf "$out/swap" "$out/P" "$out/P2" "$out/swap.log" && mkdir -p "$out/P/Q"
    /usr/bin/python3 -c 'import os, shutil, sys
os.makedirs(sys.argv[2])
for i in range(400): shutil.copy(sys.argv[1], os.path.join(sys.argv[2], "%d.lnk" % i))' "$out/demo/Desktop/Game 2019.lnk" "$out/swap"
    if [ $run = list ]; then args=(list --output "$(win "$out/P/Q/r.csv")"); else args=(delete --quarantine "$(win "$out/P/Q")"); fi
    echo "/usr/lib/wine/wine64 $(printf '%q ' "$cli" "${args[@]}" --format csv "$(win "$out/swap")"); echo exit=\$?" >"$out/swap.sh"
    script -qfc "bash $out/swap.sh" "$out/swap.log" >/dev/null &
    for _ in $(seq 1 400); do grep -Eq '[1-9][0-9]* listed' "$out/swap.log" 2>/dev/null && break; sleep 0.05; done
    # The run is held still for the swap: on a busy machine it can otherwise be over first. Only
    # a run that has written nothing yet tests anything; one that has is run again.
    program="vellmoor-cli.exe $run .*${out##*/}"
    swapped=0
    if pkill -STOP -f "$program" && [ -z "$(find "$out/P" -type f ! -name manifest.jsonl)" ]; then
      mv "$out/P" "$out/P2" && mkdir -p "$out/P/Q" && swapped=1
    fi
    pkill -CONT -f "$program" || true
    wait $!
    [ $swapped = 1 ] && break
    echo "swapped folder ($run): the run had written before the swap (attempt $attempt)"
  done
  case $run in
    list) expected='exit=2' said='cannot write the report' ;;
    *) expected='exit=1' said='failed,the quarantine folder was moved or replaced during the run' ;;
  esac
  [ $swapped = 1 ] && grep -q "$expected" "$out/swap.log" && tr -d "\r\n" <"$out/swap.log" | grep -q "$said" \
    && [ "$(ls "$out/swap" | wc -l)" = 400 ] && [ "$(find "$out/P" "$out/P2" -type f ! -name manifest.jsonl | wc -l)" = 0 ] \
    || { echo "swapped folder ($run): not $expected with '$said', or files moved:"; find "$out/P" "$out/P2" | head; tail -c 400 "$out/swap.log"; exit 1; }
done
echo "report folder and quarantine swapped mid-run: nothing written into the new folders, the run says why"

# Deleting in a console: the progress line counts the deletions, and a complaint (a junk file
# named like a shortcut) starts a line of its own instead of landing on the progress line.
# 400 take a second or two: the line is drawn ten times a second.
mkdir "$out/few"
cp "$out"/many/{?,??,[1-3]??}.lnk "$out/few/"
echo junk >"$out/few/junk.lnk"
cat >"$out/delete.sh" <<RUN
/usr/lib/wine/wine64 "$cli" delete --format csv --output "$(win "$out/deleted.csv")" "$(win "$out/few")"
echo "exit=\$?"
RUN
script -qfc "bash $out/delete.sh" "$out/deleting.log" >/dev/null
grep -q 'exit=0' "$out/deleting.log" || { echo "delete: not exit code 0"; cat -v "$out/deleting.log" | tail -5; exit 1; }
grep -aq "deleting 400 of 400" "$out/deleting.log" || { echo "delete: no deletion progress"; cat -v "$out/deleting.log" | tr "\r" "\n" | tail -5; exit 1; }
/usr/bin/python3 - "$out/deleting.log" <<'PY'
import re, sys
log = open(sys.argv[1], 'rb').read().decode('utf-8', 'replace')
log = re.sub(r'\x1b\[[0-9;?]*[A-Za-z]', '', log)  # the terminal's cursor and erase codes
for m in re.finditer('vellmoor-cli: ', log):
    if m.start() > 0 and log[m.start() - 1] not in '\r\n':
        sys.exit('a complaint on the progress line: %r' % log[max(0, m.start() - 40):m.end() + 20])
if 'vellmoor-cli: 1 shortcut(s) could not be read' not in log:
    sys.exit('the unreadable file was not told')
print('delete: progress counted, complaints on lines of their own')
PY

# A folder that exists but cannot be listed: root opens everything under Wine, so an
# account of its own runs the program, with a prefix of its own.
if id vmtest >/dev/null 2>&1 || useradd -M -d /nonexistent vmtest 2>/dev/null; then
  deny=$(mktemp -d /tmp/vellmoor-deny.XXXXXX)
  mkdir "$deny/locked" "$deny/open" "$deny/seen" "$deny/prefix"
  cp "$out/demo/Desktop/Game 2019.lnk" "$deny/locked/a.lnk"
  touch "$deny/locked/app.exe"
  # One whose target is not there, one whose target is in a folder this account may not open.
  make_link "$deny/open/b.lnk" "$(win "$deny/open/gone.exe")"
  make_link "$deny/seen/denied.lnk" "$(win "$deny/locked/app.exe")"
  cp "$cli" "$deny/vellmoor-cli.exe"
  chmod 755 "$deny" "$deny/open" "$deny/vellmoor-cli.exe"; chmod 644 "$deny/open/b.lnk"; chmod 700 "$deny/locked"
  chmod 777 "$deny/seen"; chmod 666 "$deny/seen/denied.lnk"
  chown vmtest "$deny/prefix"
  as_vmtest() { # output name, arguments...
    local name=$1
    shift
    runuser -u vmtest -- env -i HOME="$deny/prefix" PATH=/usr/bin:/bin WINEPREFIX="$deny/prefix/wine" WINEDEBUG=-all \
      WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
      /usr/lib/wine/wine64 "$deny/vellmoor-cli.exe" "$@" >"$out/$name.out" 2>"$out/$name.err"
    echo $?
  }
  set +e
  code=$(as_vmtest denied list "$(win "$deny/locked")" "$(win "$deny/open")")
  seen=$(as_vmtest seen list "$(win "$deny/seen")")
  all=$(as_vmtest all list --all --format csv "$(win "$deny/seen")")
  kept=$(as_vmtest kept delete "$(win "$deny/seen")")
  [ -f "$deny/seen/denied.lnk" ]; left=$?
  taken=$(as_vmtest taken delete --include-absent "$(win "$deny/seen")")
  [ -f "$deny/seen/denied.lnk" ]; still=$?
  set -e
  runuser -u vmtest -- env -i WINEPREFIX="$deny/prefix/wine" /usr/bin/wineserver -k 2>/dev/null || true
  rm -rf "$deny"
  [ "$code" = 2 ] || { echo "unlistable folder: exit $code, not 2"; cat "$out/denied.err"; exit 1; }
  grep -q "vellmoor-cli: cannot list .*locked" "$out/denied.err" || { echo "unlistable folder not named"; cat "$out/denied.err"; exit 1; }
  grep -q 'open\\b.lnk' "$out/denied.out" || { echo "the other folder was not searched"; cat "$out/denied.out" "$out/denied.err"; exit 1; }
  echo "unlistable folder: named on standard error, exit 2, the other folder still searched"
  [ "$seen" = 0 ] && [ ! -s "$out/seen.out" ] || { echo "a target that may not be seen was listed: exit $seen"; cat "$out/seen.out"; exit 1; }
  grep -q 'denied.lnk,.*,denied,' "$out/all.out" || { echo "no reason denied"; cat "$out/all.out" "$out/all.err"; exit 1; }
  [ "$kept" = 0 ] && [ "$left" = 0 ] || { echo "delete took a shortcut whose target may be there: exit $kept"; exit 1; }
  [ "$taken" = 0 ] && [ "$still" = 1 ] || { echo "delete --include-absent kept it: exit $taken"; cat "$out/taken.err"; exit 1; }
  echo "a target this account may not see: not listed, --all says denied, deleted only with --include-absent"
else
  echo "unlistable folder: not run (no second account could be made)"
fi

# Two quarantine runs into one folder at once, the second a moment after the first: every file
# moved has its line, neither fails on what the other is handling, one restore brings all back.
# On drive C: (the prefix's own folder): on Z: the landed fault did not show.
race=$WINEPREFIX/drive_c/vellmoor-race-$$
trap 'rm -rf "$out" "$race"' EXIT
/usr/bin/python3 -c 'import os, shutil, sys
os.makedirs(sys.argv[2])
for i in range(1000): shutil.copy(sys.argv[1], os.path.join(sys.argv[2], "%d.lnk" % i))' "$out/demo/Desktop/Game 2019.lnk" "$race/tree"
q="C:\\vellmoor-race-$$\\quarantine" tree="C:\\vellmoor-race-$$\\tree"
/usr/lib/wine/wine64 "$cli" delete --quarantine "$q" --format csv "$tree" >"$out/first.csv" 2>/dev/null &
first=$!
sleep 0.3
/usr/lib/wine/wine64 "$cli" delete --quarantine "$q" --format csv "$tree" >"$out/second.csv" 2>/dev/null \
  && second=0 || second=$?
wait "$first" && first=0 || first=$?
failed=$(cat "$out/first.csv" "$out/second.csv" | grep -c ',failed,' || true)
[ "$first" = 0 ] && [ "$second" = 0 ] && [ "$failed" = 0 ] \
  || { echo "two quarantine runs: exit $first and $second, $failed failed"; exit 1; }
[ "$(ls "$race/tree" | wc -l)" = 0 ] || { echo "two quarantine runs: files left"; exit 1; }
/usr/lib/wine/wine64 "$cli" restore "$q" >/dev/null 2>"$out/restore.err" \
  || { echo "two quarantine runs: restore exit $?"; head -5 "$out/restore.err"; exit 1; }
[ "$(ls "$race/tree" | wc -l)" = 1000 ] || { echo "two quarantine runs: $(ls "$race/tree" | wc -l) of 1000 back"; exit 1; }
echo "two quarantine runs at once: 1000 moved, none failed, one restore brought all 1000 back"

# A server that does not answer (the test environment's \\vmhung, a FUSE file system whose
# every lookup takes 5 s), reached as two shares. Its shortcuts cost one wait per share, not
# one per shortcut, and are listed as not answering and kept; the plainly missing ones are
# deleted.
# Ctrl+C during a wait stops the run at once. The report is timed, not the process: under
# Wine a process ends only once its abandoned lookup returns.
if [ -n "${VELLMOOR_HUNG_SHARE:-}" ]; then
  mkdir -p "$out/hungtree"
  for i in 1 2 3; do
    make_link "$out/hungtree/a$i.lnk" "$VELLMOOR_HUNG_SHARE\\a\\App$i\\app.exe"
    make_link "$out/hungtree/b$i.lnk" "$VELLMOOR_HUNG_SHARE\\b\\App$i\\app.exe"
    make_link "$out/hungtree/gone$i.lnk" "$(win "$out/nothere$i.exe")"
  done
  reported() { # file, seconds: whether the report is there within that time
    for _ in $(seq 1 $(( $2 * 20 ))); do [ -s "$1" ] && return 0; sleep 0.05; done
    return 1
  }
  cat >"$out/hungstop.sh" <<RUN
/usr/lib/wine/wine64 "$cli" list --remote --wait 600 --format csv --output "$(win "$out/hungstop.csv")" "$(win "$out/hungtree")"
echo "exit=\$?"
RUN
  started=$SECONDS
  /usr/lib/wine/wine64 "$cli" delete --remote --format csv --output "$(win "$out/hungdel.csv")" \
    "$(win "$out/hungtree")" 2>/dev/null &
  deleting=$!
  script -qfc "bash $out/hungstop.sh" "$out/hungstop.log" >/dev/null &
  stopping=$!
  sleep 2
  pkill -INT -f "vellmoor-cli.exe list --remote --wait 600 .*${out##*/}" || true
  reported "$out/hungstop.csv" 2 || { echo "Ctrl+C while a server is waited for: no report within 2 s"; exit 1; }
  reported "$out/hungdel.csv" 15 || { echo "a server that does not answer: no report after 15 s"; exit 1; }
  took=$(( SECONDS - started ))
  wait $deleting && deleted=0 || deleted=$?
  wait $stopping
  grep -q 'exit=3' "$out/hungstop.log" || { echo "Ctrl+C while a server is waited for: not exit code 3"; tail -c 300 "$out/hungstop.log"; exit 1; }
  [ "$deleted" = 0 ] && [ "$(grep -c ',missing,' "$out/hungdel.csv")" = 3 ] && [ "$(grep -c ',deleted,' "$out/hungdel.csv")" = 3 ] \
    && [ "$(grep -c ',not-answering,[^,]*,kept,' "$out/hungdel.csv")" = 6 ] \
    && [ "$(ls "$out/hungtree" | sort | tr '\n' ' ')" = "a1.lnk a2.lnk a3.lnk b1.lnk b2.lnk b3.lnk " ] \
    || { echo "a server that does not answer: exit $deleted"; cat "$out/hungdel.csv"; ls "$out/hungtree"; exit 1; }
  echo "a server that does not answer, as two shares: reported in $took s, only the 3 plainly missing deleted;"
  echo "   Ctrl+C while it is waited for: reported at once, exit code 3"
else
  echo "a server that does not answer: not run ($VELLMOOR_HUNG_WHY)"
fi
