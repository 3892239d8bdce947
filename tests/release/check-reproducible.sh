#!/bin/sh
# The release is reproducible: the product built from two copies of the
# source in two different folders, in two build trees, gives the same exe
# and the same zip, byte for byte, and the exe is at most $limit bytes
# (see the limit below: 300,000 for the code as it was, 27,648 for the 13
# images of the icon, 10,000 for what the task XML reader and writer added,
# 20,000 for setting up the user at the screen, 12,352 for the swap by handle,
# the escaped file texts and the fleet-log lines).
#   check-reproducible.sh SOURCE_DIR WORK_DIR
set -eu
limit=370000
source_dir=$(realpath "$1")
work=$2
rm -rf "$work"
for tree in first second-copy; do
    mkdir -p "$work/$tree/src"
    # The files of the checkout as they are now, without any build output.
    (cd "$source_dir" && git ls-files -z --cached --others --exclude-standard | xargs -0 tar -cf -) |
        tar -xf - -C "$work/$tree/src"
    # Built as tools/release.sh builds it: the product's preset.
    (cd "$work/$tree/src" && cmake --preset mingw-i686 >/dev/null && cmake --build --preset mingw-i686 --target tavrin >/dev/null)
    sh "$work/$tree/src/tools/pack-release.sh" "$work/$tree/src/build/mingw-i686/app/tavrin.exe" "$work/$tree/dist" >/dev/null
done
exe=build/mingw-i686/app/tavrin.exe

failures=0
if cmp "$work/first/src/$exe" "$work/second-copy/src/$exe"; then
    echo "same exe"
else
    failures=$((failures + 1))
fi
if cmp "$work/first/dist/SHA256SUMS" "$work/second-copy/dist/SHA256SUMS"; then
    echo "same zip and SHA256SUMS:"
    cat "$work/first/dist/SHA256SUMS"
else
    failures=$((failures + 1))
fi
size=$(wc -c < "$work/first/src/$exe")
if [ "$size" -le "$limit" ]; then
    echo "exe of $size bytes"
else
    echo "exe of $size bytes: more than $limit bytes"
    failures=$((failures + 1))
fi
# Static: only system DLLs are imported.
imports=$(i686-w64-mingw32-objdump -p "$work/first/src/$exe" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort)
for dll in $imports; do
    case "$dll" in
        kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|shell32.dll|ole32.dll|advapi32.dll|wtsapi32.dll|msvcrt.dll|oleaut32.dll|shlwapi.dll|api-ms-win-*) ;;
        *) echo "imports $dll"; failures=$((failures + 1)) ;;
    esac
done
[ "$failures" -eq 0 ] || exit 1
rm -rf "$work"
