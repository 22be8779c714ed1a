#!/usr/bin/env bash
# What ships on the CD runs on a 386: no later instruction, no MMX or SSE register in the
# disassembly (Wine on today's processors cannot show the fault a 386 would raise).
set -u
[ $# -gt 0 ] || { echo "usage: check_instructions.sh FILE..."; exit 2; }
newer='\b(cmov[a-z]*|fcmov[a-z]*|fcomip?|fucomip?|bswap|cmpxchg[a-z0-9]*|xadd[a-z]?|invlpg|rdtsc|cpuid|rdmsr|wrmsr|sysenter)\b|%x?mm[0-9]'
status=0
for file in "$@"; do
    listing=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$file") || { echo "cannot read $file"; exit 1; }
    [ -n "$(printf '%s\n' "$listing" | grep -m1 -E '^\s*[0-9a-f]+:\s')" ] || { echo "no code read from $file"; exit 1; }
    found=$(printf '%s\n' "$listing" | grep -E "^\s*[0-9a-f]+:\s.*($newer)")
    if [ -n "$found" ]; then
        echo "$file: $(printf '%s\n' "$found" | wc -l) instructions newer than the 386, for example:"
        printf '%s\n' "$found" | head -5
        status=1
    else
        echo "ok: $file"
    fi
done
exit $status
