#!/bin/sh
# Installs what building and testing need on Debian 12, only what is missing.
set -eu

packages="cmake ninja-build g++ libgtest-dev libgmock-dev googletest
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 fonts-wine xvfb xauth fonts-noto-cjk fonts-ipafont-gothic liblnk-utils imagemagick python3 e2fsprogs iproute2 util-linux"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

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
