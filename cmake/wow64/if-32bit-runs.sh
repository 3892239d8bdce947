#!/bin/sh
# Runs COMMAND only where this machine's kernel runs 32-bit x86 code:
# `if-32bit-runs.sh COMMAND...`. The WoW64 Wine runs the 32-bit product's
# code in 32-bit mode inside a 64-bit process, which needs the same kernel
# support as a 32-bit Linux program; some machines of this kind have it
# switched off ("Exec format error"), and there Wine cannot start any 32-bit
# program at all. Such a machine can only skip the suite, and says so loudly:
# exit 77, which CTest reports as skipped, not passed.
set -eu
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
cat > "$probe/exit42.s" <<'ASM'
.globl _start
_start:
    movl $1, %eax
    movl $42, %ebx
    int $0x80
ASM
status=0
if as --32 "$probe/exit42.s" -o "$probe/exit42.o" && ld -m elf_i386 "$probe/exit42.o" -o "$probe/exit42"; then
    "$probe/exit42" 2>/dev/null || status=$?
else
    echo "if-32bit-runs.sh: cannot build the 32-bit probe (binutils missing?)" >&2
    exit 1
fi
if [ "$status" -ne 42 ]; then
    echo "SKIPPED: this machine's kernel runs no 32-bit x86 code (a static 32-bit program ended with $status)," >&2
    echo "so Wine cannot start the 32-bit product here; nothing of this suite was run." >&2
    exit 77
fi
exec "$@"
