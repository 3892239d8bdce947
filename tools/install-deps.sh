#!/bin/sh
# Installs what building and testing need on Debian 12, only what is missing,
# and builds once the WoW64 Wine that runs the 32-bit product in the tests
# (tools/make-wow64-root.sh, in /var/cache/tavrin-wow64 or TAVRIN_WOW64_ROOT).
set -eu
here=$(dirname "$0")

packages="cmake ninja-build g++ libgtest-dev libgmock-dev googletest
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 fonts-wine xvfb xauth fonts-noto-cjk fonts-ipafont-gothic liblnk-utils imagemagick python3 e2fsprogs iproute2 util-linux
  debootstrap"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages:$missing (run as root, or install them yourself)" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    # A mirror that is briefly out of step makes update complain; the install
    # below still works from the lists that did arrive.
    apt-get update || echo "apt-get update reported errors; installing anyway" >&2
    # shellcheck disable=SC2086
    apt-get install -y --no-install-recommends $missing
fi

sh "$here/make-wow64-root.sh" "${TAVRIN_WOW64_ROOT:-/var/cache/tavrin-wow64}"
