#!/bin/sh
# Runs COMMAND (a test suite) where the WoW64 Wine built by
# tools/make-wow64-root.sh in ROOT can run: `enter.sh ROOT DIR... -- COMMAND...`.
# COMMAND gets a mount namespace of its own (unshare, needs root) in which ROOT
# sees /proc, /sys, /dev, the X11 sockets, the X authority file and each DIR
# at the same paths as here, so a path means the same inside ROOT and out;
# the wine and wineserver scripts beside this one run Wine's programs in ROOT.
# Each DIR is shared with its view in ROOT: a volume mounted inside it later
# (a full disk in the tests) appears in ROOT too. Nothing changes outside the
# namespace; the mounts end with COMMAND. The network is whatever the caller
# has (a namespace of its own in the tests).
set -eu
root=$1
shift
[ -f "$root/.tavrin-complete" ] || {
    echo "No WoW64 Wine in $root: tools/install-deps.sh (as root) builds it" >&2
    exit 1
}
exec unshare --mount --propagation private sh -c '
    set -eu
    root=$1
    shift
    mount --rbind /proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    if [ -d /tmp/.X11-unix ]; then mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"; fi
    if [ -n "${XAUTHORITY:-}" ] && [ -f "$XAUTHORITY" ]; then
        mkdir -p "$root$(dirname "$XAUTHORITY")"
        mount --bind "$(dirname "$XAUTHORITY")" "$root$(dirname "$XAUTHORITY")"
    fi
    bound=""
    while [ "$1" != -- ]; do
        dir=$(cd "$1" && pwd -P)
        shift
        case "$bound" in *"|$dir|"* | *"|$dir/"*) continue ;; esac
        for outer in $(echo "$bound" | tr "|" " "); do
            case "$dir/" in "$outer"/*) continue 2 ;; esac
        done
        bound="$bound|$dir|"
        mount --bind "$dir" "$dir"
        mount --make-shared "$dir"
        mkdir -p "$root$dir"
        mount --rbind "$dir" "$root$dir"
    done
    shift
    export TAVRIN_WOW64_ROOT="$root"
    exec "$@"
' sh "$root" "$@"
