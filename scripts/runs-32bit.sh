#!/usr/bin/env bash
# Exits 0 when this machine's kernel starts 32-bit x86 Linux programs, 1 when it does not
# (no IA-32 emulation: "Exec format error"). Tries a 93-byte program that only exits.
set -u
f=$(mktemp)
trap 'rm -f "$f"' EXIT
# ELF header, one loadable segment at 0x08048000, then: mov eax,1; xor ebx,ebx; int 0x80
printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0' >"$f"
printf '\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x5d\0\0\0\x5d\0\0\0\x05\0\0\0\0\x10\0\0' >>"$f"
printf '\xb8\x01\0\0\0\x31\xdb\xcd\x80' >>"$f"
chmod +x "$f"
"$f" 2>/dev/null
