#!/usr/bin/env bash
# Fuzzes the settings-file decoder, the command-line parser, the quarantine manifest's reader
# and the shortcut layout reader with libFuzzer, each for the given number of seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
out=build/fuzz
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Isrc)

fuzz() { # name, corpus folder, max length, sources...
  local name=$1 corpus=$2 max_len=$3
  shift 3
  mkdir -p "$out/$name-corpus"
  clang++-14 "${flags[@]}" "$@" -o "$out/$name"
  cp "$corpus"/* "$out/$name-corpus/" 2>/dev/null || true
  "$out/$name" -max_total_time="$seconds" -max_len="$max_len" -artifact_prefix="$out/$name-" "$out/$name-corpus" 2>"$out/$name.log" \
    || { tail -40 "$out/$name.log"; return 1; }
  echo "$name: $(tail -1 "$out/$name.log")"
}

# As many fuzzers at once as there are cores: each still has a core for its whole time.
slots=$(nproc)
running=0 failed=0
start() {
  if [ "$running" -ge "$slots" ]; then wait -n || failed=1; running=$((running - 1)); fi
  fuzz "$@" &
  running=$((running + 1))
}

mkdir -p "$out"
start settings_fuzz fuzz/corpus 4096 fuzz/settings_fuzz.cpp src/settings/settings_codec.cpp
start command_line_fuzz fuzz/corpus_command_line 1024 fuzz/command_line_fuzz.cpp src/app/command_line.cpp \
  src/search/folder_text.cpp src/search/walk_rules.cpp src/cli/cli_args.cpp
start manifest_fuzz fuzz/corpus_manifest 2048 fuzz/manifest_fuzz.cpp src/cli/quarantine_rules.cpp src/cli/cli_output.cpp \
  src/search/file_identity.cpp src/search/walk_rules.cpp src/search/owner_view.cpp
start link_layout_fuzz fuzz/corpus_link 4096 fuzz/link_layout_fuzz.cpp src/search/link_layout.cpp
for _ in $(seq "$running"); do wait -n || failed=1; done
exit "$failed"
