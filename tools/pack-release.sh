#!/bin/sh
# Packs a built tavrin.exe with the technicians' guide into
# DIST/tavrin-<version>-win32.zip and writes DIST/SHA256SUMS beside it.
# The same exe gives the same zip, byte for byte, on any machine: fixed times,
# a fixed order of entries, no owner or other extra fields, and names marked
# as UTF-8.
#   pack-release.sh EXE DIST
set -eu
exe=$(realpath "$1")
dist=$2
cd "$(dirname "$0")/.."

version=$(awk '/#define TAVRIN_VERSION_(MAJOR|MINOR|BUILD|REVISION) /{printf "%s%s", sep, $3; sep="."}' app/Version.h)
name="tavrin-$version-win32"
guide=$(pwd)/docs/guide-ja.txt
mkdir -p "$dist"
cd "$dist"
rm -rf "$name" "$name.zip" SHA256SUMS
mkdir "$name"
cp "$exe" "$name/tavrin.exe"
# The guide for technicians, with the version filled in, as a UTF-8 text with
# a byte-order mark and CR LF line ends, so Notepad shows it.
{
    printf '\357\273\277'
    sed "s/@VERSION@/$version/; s/\$/\r/" "$guide"
} > "$name/お読みください.txt"
# Names marked as UTF-8 (general purpose flag 11), so that Windows does not
# read the guide's Japanese name in its OEM code page; Info-ZIP's zip here
# cannot mark them.
python3 - "$name" <<'PACK'
import sys
import zipfile

folder = sys.argv[1]
with zipfile.ZipFile(folder + ".zip", "w") as archive:
    for path, mode in ((folder + "/", 0o40755), (folder + "/tavrin.exe", 0o100644),
                       (folder + "/お読みください.txt", 0o100644)):
        entry = zipfile.ZipInfo(path, date_time=(2000, 1, 1, 0, 0, 0))
        entry.create_system = 3
        entry.external_attr = mode << 16
        if path.endswith("/"):
            archive.writestr(entry, b"")
        else:
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(entry, source.read(), compresslevel=9)
PACK
sha256sum "$name.zip" "$name/tavrin.exe" > SHA256SUMS
echo "$dist/$name.zip"
