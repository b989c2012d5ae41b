#!/usr/bin/env bash
# Reads shortcuts made through the shell's shortcut object with an independent parser
# (liblnk) and checks the stored targets: the fixtures the tests build on are what they seem.
set -euo pipefail
make_demo=$1
out=$(mktemp -d "${TMPDIR:-/tmp}/vellmoor-lnk.XXXXXX")
trap 'rm -rf "$out"' EXIT
/usr/lib/wine/wine64 "$make_demo" "Z:${out//\//\\}"
/usr/bin/python3 - "$out" <<'PY'
import os, sys, pylnk
root = sys.argv[1]
win_root = 'Z:' + root.replace('/', '\\')
expected = {
    'Programs/Old Paint/Old Paint.lnk': 'oldpaint.exe',
    'Programs/Old Paint/Read Me.lnk': 'oldpaint-readme.txt',
    'Programs/Tools/Editor.lnk': 'editor.exe',
    'Programs/Tools/Disk Checker.lnk': 'diskcheck.exe',
    'Desktop/Editor.lnk': 'editor.exe',
    'Desktop/Game 2019.lnk': 'game2019.exe',
    'Desktop/Photos.lnk': 'photos',
    'Programs/Tools/Backup.lnk': 'Q:\\Backup\\backup.exe',  # written byte by byte: a drive not there
}
bad = 0
for rel, name in expected.items():
    f = pylnk.file()
    f.open(os.path.join(root, rel))
    target = f.local_path or ''
    want = name if ':' in name else win_root + '\\Apps\\' + name
    if target.lower() != want.lower():
        print('%s: stored target %r, expected %r' % (rel, target, want))
        bad += 1
    f.close()
print('%d passed, %d failed' % (len(expected) - bad, bad))
sys.exit(1 if bad else 0)
PY
