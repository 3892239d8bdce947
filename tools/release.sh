#!/bin/sh
# Builds the 32-bit product and packs it with the technicians' guide into
# dist/tavrin-<version>-win32.zip.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
cmake --preset mingw-i686
cmake --build --preset mingw-i686

version=$(awk '/#define TAVRIN_VERSION_(MAJOR|MINOR|BUILD|REVISION) /{printf "%s%s", sep, $3; sep="."}' app/Version.h)
name="tavrin-$version-win32"
stage="dist/$name"
rm -rf "$stage" "dist/$name.zip"
mkdir -p "$stage"
cp build/mingw-i686/app/tavrin.exe "$stage/"
# The guide for technicians: the Japanese section of the README, as a
# UTF-8 text with a byte-order mark and CR LF line ends, so Notepad shows it.
{
    printf '\357\273\277'
    sed -n '/<!-- technicians: begin -->/,/<!-- technicians: end -->/p' README.md |
        sed '1d;$d' | sed 's/$/\r/'
} > "$stage/お読みください.txt"
(cd dist && zip -qr "$name.zip" "$name")
echo "dist/$name.zip"
