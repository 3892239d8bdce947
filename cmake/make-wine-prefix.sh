#!/bin/sh
# Creates the Wine prefix the Windows tests run in: isolated inside the build
# tree, with real (not linked) user folders, no window-manager waits, Wine's
# own Marlett (it draws the caption buttons) and, for the dialog's
# "MS UI Gothic", IPAPGothic, whose widths match it closely enough that every
# label fits as on Windows. Does nothing when the prefix is ready and was
# made by this version of the script.
set -eu
prefix=$1
stamp=$(cksum < "$0" | cut -d' ' -f1)
[ -f "$prefix/.tavrin-ready" ] && [ "$(cat "$prefix/.tavrin-ready")" = "$stamp" ] && exit 0

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

# Wine reads TrueType fonts from the prefix's Fonts folder, not from its own
# data folder (package fonts-wine). Only Marlett: Wine's Tahoma there would
# become the caption font, and it has no Japanese.
cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"

reg="$prefix/tavrin-setup.reg"
cat > "$reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
REG
"$wine64" regedit /S "$reg" >/dev/null 2>&1
"$wineserver" -w
echo "$stamp" > "$prefix/.tavrin-ready"
