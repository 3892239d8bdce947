#!/bin/sh
# Builds the 32-bit product and packs it with the technicians' guide into
# dist/tavrin-<version>-win32.zip, with dist/SHA256SUMS beside it. Two runs on
# the same commit give the same bytes, on any machine: the exe has no link
# time, debug information or build paths in it, and the zip is packed the
# same way every time (tools/pack-release.sh).
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
cmake --preset mingw-i686
cmake --build --preset mingw-i686
sh tools/pack-release.sh build/mingw-i686/app/tavrin.exe dist
cat dist/SHA256SUMS
