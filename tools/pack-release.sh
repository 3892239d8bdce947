#!/bin/sh
# Packs a built tavrin.exe with the technicians' guide into
# DIST/tavrin-<version>-win32.zip and writes DIST/SHA256SUMS beside it.
# The same exe gives the same zip, byte for byte, on any machine: fixed times,
# a fixed order of entries and no owner or other extra fields.
#   pack-release.sh EXE DIST
set -eu
exe=$(realpath "$1")
dist=$2
cd "$(dirname "$0")/.."

version=$(awk '/#define TAVRIN_VERSION_(MAJOR|MINOR|BUILD|REVISION) /{printf "%s%s", sep, $3; sep="."}' app/Version.h)
name="tavrin-$version-win32"
guide=$(pwd)/README.md
mkdir -p "$dist"
cd "$dist"
rm -rf "$name" "$name.zip" SHA256SUMS
mkdir "$name"
cp "$exe" "$name/tavrin.exe"
# The guide for technicians: the Japanese section of the README, as a
# UTF-8 text with a byte-order mark and CR LF line ends, so Notepad shows it.
{
    printf '\357\273\277'
    sed -n '/<!-- technicians: begin -->/,/<!-- technicians: end -->/p' "$guide" |
        sed '1d;$d' | sed 's/$/\r/'
} > "$name/お読みください.txt"
chmod 644 "$name/tavrin.exe" "$name/お読みください.txt"
chmod 755 "$name"
find "$name" -exec touch -h -d '2000-01-01 00:00:00 UTC' {} +
TZ=UTC LC_ALL=C zip -q -X "$name.zip" "$name/" "$name/tavrin.exe" "$name/お読みください.txt"
sha256sum "$name.zip" "$name/tavrin.exe" > SHA256SUMS
echo "$dist/$name.zip"
