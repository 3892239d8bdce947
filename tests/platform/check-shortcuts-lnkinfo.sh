#!/bin/sh
# Saves the tool's shortcuts through the platform helper under Wine and reads
# the .lnk files back with lnkinfo, a parser that shares nothing with the
# shell link object that wrote them.
#   check-shortcuts-lnkinfo.sh WINEPREFIX HELPER_EXE LNKINFO
set -u
prefix=$1 helper=$2 lnkinfo=$3
. "$(dirname "$0")/../../cmake/wine.env"
out="$prefix/drive_c/tavrin-lnkinfo-check"
rm -rf "$out"
mkdir -p "$out"
trap 'rm -rf "$out"' EXIT
: > "$out/DeskTop.scf"

env WINEPREFIX="$prefix" WINEDEBUG="$TAVRIN_WINEDEBUG" WINEDLLOVERRIDES="$TAVRIN_WINEDLLOVERRIDES" \
    HOME="$prefix/home" "$TAVRIN_WINE64" "$helper" shortcuts 'C:\tavrin-lnkinfo-check'
status=$?
[ "$status" -eq 0 ] || { echo "helper failed to save the shortcuts ($status)"; exit 1; }

failures=0
# expect FILE FIELD VALUE: the field's value as lnkinfo prints it, exactly.
expect() {
    actual=$("$lnkinfo" "$1" | sed -n "s/^	$2	*: //p")
    if [ "$actual" = "$3" ]; then
        echo "ok   $(basename "$1"): $2"
    else
        echo "FAIL $(basename "$1"): $2"
        echo "     expected: [$3]"
        echo "     actual:   [$actual]"
        failures=$((failures + 1))
    fi
}

kiosk="$out/LAN対応ユニット.lnk"
expect "$kiosk" "Local path" 'C:\Program Files (x86)\Microsoft\Edge\Application\msedge.exe'
expect "$kiosk" "Command line arguments" \
    '--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk "http://192.168.1.10/display.htm?size=2"'
expect "$kiosk" "Working directory" '%HOMEDRIVE%%HOMEPATH%'
expect "$kiosk" "Description" 'LAN対応ユニット キオスクモード'

desktop="$out/DeskTop.lnk"
expect "$desktop" "Local path" 'C:\tavrin-lnkinfo-check\DeskTop.scf'
expect "$desktop" "Command line arguments" ''
expect "$desktop" "Working directory" '%HOMEDRIVE%%HOMEPATH%'
expect "$desktop" "Description" 'デスクトップの表示'

count=$(find "$out" -name '*.lnk' | wc -l)
[ "$count" -eq 2 ] || { echo "FAIL expected 2 shortcut files, found $count"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]
