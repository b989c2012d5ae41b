#!/usr/bin/env bash
# Fuzzes the settings-file decoder with libFuzzer for the given number of seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
out=build/fuzz
mkdir -p "$out/corpus"
clang++-14 -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Isrc \
  fuzz/settings_fuzz.cpp src/settings/settings_codec.cpp -o "$out/settings_fuzz"
cp fuzz/corpus/* "$out/corpus/" 2>/dev/null || true
"$out/settings_fuzz" -max_total_time="$seconds" -max_len=4096 "$out/corpus" 2>"$out/fuzz.log" \
  || { tail -40 "$out/fuzz.log"; exit 1; }
tail -1 "$out/fuzz.log"
