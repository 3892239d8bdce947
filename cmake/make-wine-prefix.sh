#!/bin/sh
# Creates the Wine prefix the Windows tests run in: isolated inside the build
# tree, with real (not linked) user folders, no window-manager waits and a
# Japanese font for "MS UI Gothic". Does nothing when the prefix is ready.
set -eu
prefix=$1
[ -f "$prefix/.tavrin-ready" ] && exit 0

. "$(dirname "$0")/wine.env"
wine64=$TAVRIN_WINE64
wineserver=$TAVRIN_WINESERVER
if [ -n "${TAVRIN_WOW64_ROOT:-}" ]; then
    # The WoW64 Wine (tools/make-wow64-root.sh): its prefix gets syswow64.
    wine64=$(dirname "$0")/wow64/wine
    wineserver=$(dirname "$0")/wow64/wineserver
fi
rm -rf "$prefix"
mkdir -p "$prefix/home"
export WINEPREFIX="$prefix" WINEDEBUG="$TAVRIN_WINEDEBUG" WINEDLLOVERRIDES="$TAVRIN_WINEDLLOVERRIDES" HOME="$prefix/home"
unset DISPLAY || true

"$wine64" wineboot -i >/dev/null 2>&1 || true
"$wineserver" -w

# wineboot links Desktop, Documents, ... to $HOME, all one folder.
for user_dir in "$prefix"/drive_c/users/*/; do
    for entry in "$user_dir"*; do
        if [ -L "$entry" ]; then
            rm -f "$entry"
            mkdir -p "$entry"
        fi
    done
done

reg="$prefix/tavrin-setup.reg"
cat > "$reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="Noto Sans CJK JP"
REG
"$wine64" regedit /S "$reg" >/dev/null 2>&1
"$wineserver" -w
touch "$prefix/.tavrin-ready"
