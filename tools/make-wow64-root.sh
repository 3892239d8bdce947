#!/bin/sh
# Builds, once, the Wine that runs the 32-bit product in the tests: a Debian 13
# system in a folder (not a container, just files) with Wine 10 in its "new
# WoW64" mode. That mode runs a 32-bit Windows program inside the 64-bit Wine
# process, so no 32-bit Linux program is ever started and the host's kernel
# need not run any: it works on every machine of this kind. Only Debian
# packages, from the host's Debian mirror; the host's own packages and
# architectures stay as they are. Usage: make-wow64-root.sh [ROOT]
# Does nothing when ROOT is complete; an unfinished ROOT is made again.
set -eu
root=${1:-/var/cache/tavrin-wow64}
suite=trixie
[ -f "$root/.tavrin-complete" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "The WoW64 Wine for the 32-bit tests is missing in $root (run as root to build it)" >&2
    exit 1
fi

# The mirror the host's apt already uses.
mirror=$(grep -rhoE '^(URIs:|deb) *https?://[^ ]*/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d 2>/dev/null \
         | grep -oE 'https?://[^ ]*' | head -n 1)
mirror=${mirror:-http://deb.debian.org/debian}
security=$(echo "$mirror" | sed 's#/debian/*$#/debian-security#')

started=$(date +%s)
echo "Building the WoW64 Wine (Debian 13, Wine 10) in $root from $mirror" >&2
work="$root.partial"
rm -rf "$work"
mkdir -p "$(dirname "$root")"
debootstrap --variant=minbase --arch=amd64 "$suite" "$work" "$mirror" >"$work.log" 2>&1 || {
    tail -n 20 "$work.log" >&2
    exit 1
}
cat > "$work/etc/apt/sources.list" <<LIST
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
LIST
cp /etc/resolv.conf "$work/etc/resolv.conf"

inside() {
    unshare --mount --propagation private sh -c '
        root=$1; shift
        mount --rbind /proc "$root/proc" && mount --rbind /sys "$root/sys" && mount --rbind /dev "$root/dev"
        exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"
    ' sh "$work" "$@"
}
inside apt-get update >>"$work.log" 2>&1
inside apt-get install -y --no-install-recommends wine64 wine libwine fonts-noto-cjk procps >>"$work.log" 2>&1 || {
    tail -n 20 "$work.log" >&2
    exit 1
}
# Only the Windows half of the 32-bit Wine: its i386-windows DLLs. The i386
# architecture is added inside the new system just long enough to fetch them.
inside sh -c 'dpkg --add-architecture i386 && apt-get update && cd /tmp && apt-get download libwine:i386 \
    && dpkg-deb -x libwine_*_i386.deb /tmp/libwine-i386 \
    && cp -a /tmp/libwine-i386/usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/x86_64-linux-gnu/wine/ \
    && rm -rf /tmp/libwine-i386 libwine_*_i386.deb && dpkg --remove-architecture i386 && apt-get update \
    && apt-get clean' >>"$work.log" 2>&1 || {
    tail -n 20 "$work.log" >&2
    exit 1
}
[ -f "$work/usr/lib/x86_64-linux-gnu/wine/i386-windows/ntdll.dll" ] || {
    echo "The 32-bit Windows DLLs of Wine are missing in $work" >&2
    exit 1
}
mkdir -p "$work/tmp/.X11-unix"
touch "$work/.tavrin-complete"
rm -rf "$root"
mv "$work" "$root"
mv "$work.log" "$root/tavrin-build.log"
echo "WoW64 Wine ready in $root after $(( $(date +%s) - started )) s" >&2
