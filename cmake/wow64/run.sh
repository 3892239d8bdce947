#!/bin/sh
# Runs a program of the WoW64 Wine in TAVRIN_WOW64_ROOT: `run.sh wine ARGS...`
# or `run.sh wineserver ARGS...`; only inside enter.sh.
set -eu
root=${TAVRIN_WOW64_ROOT:?only inside cmake/wow64/enter.sh}
[ -e "$root/proc/self" ] || { echo "run.sh: only inside cmake/wow64/enter.sh" >&2; exit 127; }
case $1 in
    wine) program=/usr/lib/wine/wine64 ;;
    wineserver) program=/usr/lib/wine/wineserver ;;
    *) echo "run.sh: wine or wineserver, not $1" >&2; exit 2 ;;
esac
shift
# Wine 10 wants a runtime folder of its own; the program starts in the
# caller's folder, which has the same path in there when it is shared.
exec chroot "$root" /usr/bin/env XDG_RUNTIME_DIR=/tmp/tavrin-runtime TAVRIN_CWD="$PWD" /bin/sh -c \
    'mkdir -p -m 700 "$XDG_RUNTIME_DIR" && { cd "$TAVRIN_CWD" 2>/dev/null || cd /; } && unset TAVRIN_CWD && exec "$@"' \
    sh "$program" "$@"
