#!/bin/sh
# Builds, once, the Wine that runs the 32-bit product in the tests: a Debian 13
# system in a folder (not a container, just files) with Wine 10 in its "new
# WoW64" mode. That mode runs a 32-bit Windows program inside the 64-bit Wine
# process, so no 32-bit Linux program is ever started; the 32-bit code still
# needs the kernel's 32-bit support, and where the kernel has none the suites
# that use this Wine are skipped (cmake/wow64/if-32bit-runs.sh). Only Debian
# packages, from the host's Debian mirror; the host's own packages and
# architectures stay as they are. Usage: make-wow64-root.sh [ROOT]
# (make-wow64-root.sh --print-mirrors [APT_DIR] only shows which mirror it takes.)
# Does nothing when ROOT is complete; an unfinished ROOT is made again.
set -eu

# The Debian mirror this machine's apt already uses, and its security archive:
# "MIRROR SECURITY" on one line, nothing when apt names no Debian archive. Read
# from APT_DIR (sources.list, sources.list.d/*.list one-line entries and
# sources.list.d/*.sources deb822 stanzas, as apt reads them); only enabled
# binary ("deb") entries count. The archive is one whose path ends in /debian;
# the security archive is the entry for a "-security" suite, else the
# archive's host with /debian-security. No other host is ever named here.
apt_mirrors() {
    apt_dir=$1
    set --
    [ -f "$apt_dir/sources.list" ] && set -- "$apt_dir/sources.list"
    for file in "$apt_dir"/sources.list.d/*.list "$apt_dir"/sources.list.d/*.sources; do
        [ -f "$file" ] && set -- "$@" "$file"
    done
    [ $# -gt 0 ] || return 0
    awk '
        function entry(uri, suite) {
            if (uri !~ /^https?:\/\/[^\/ ]+/) return
            sub(/\/+$/, "", uri)
            if (suite ~ /-security$/) { if (security == "") security = uri }
            else if (mirror == "" && uri ~ /\/debian$/) mirror = uri
        }
        function stanza(   n, u, m, s, i, j) {
            if (types ~ /(^|[ \t])deb([ \t]|$)/ && tolower(enabled) != "no") {
                n = split(uris, u, /[ \t]+/)
                m = split(suites, s, /[ \t]+/)
                for (i = 1; i <= n; i++) for (j = 1; j <= m; j++) if (u[i] != "" && s[j] != "") entry(u[i], s[j])
            }
            types = uris = suites = enabled = ""
        }
        FNR == 1 { if (deb822) stanza(); deb822 = FILENAME ~ /\.sources$/ }
        deb822 {
            if ($0 ~ /^[ \t]*$/) { stanza(); next }
            if ($0 ~ /^[ \t#]/) next
            name = tolower($0); sub(/:.*/, "", name)
            value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
            if (name == "types") types = value
            else if (name == "uris") uris = value
            else if (name == "suites") suites = value
            else if (name == "enabled") enabled = value
            next
        }
        {
            sub(/#.*/, "")
            if ($1 != "deb") next
            i = 2
            if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
            if (i + 1 <= NF) entry($i, $(i + 1))
        }
        END {
            if (deb822) stanza()
            if (mirror == "") exit
            if (security == "") { security = mirror; sub(/\/debian$/, "/debian-security", security) }
            print mirror, security
        }
    ' "$@"
}

if [ "${1:-}" = --print-mirrors ]; then
    # For the tests: the lookup alone, from the apt folder given.
    apt_mirrors "${2:-/etc/apt}"
    exit 0
fi

root=${1:-/var/cache/tavrin-wow64}
suite=trixie
[ -f "$root/.tavrin-complete" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "The WoW64 Wine for the 32-bit tests is missing in $root (run as root to build it)" >&2
    exit 1
fi

mirrors=$(apt_mirrors /etc/apt)
if [ -z "$mirrors" ]; then
    echo "No Debian mirror in this machine's apt sources (/etc/apt/sources.list, /etc/apt/sources.list.d):" >&2
    echo "add the one this machine should use, then run this again. Nothing was built." >&2
    exit 1
fi
mirror=${mirrors% *}
security=${mirrors#* }

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
