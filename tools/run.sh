#!/bin/sh
# Builds the tool and starts it.
#
# On Windows this is the built exe. On Linux the 32-bit product is built (it
# is what ships) and a 64-bit build of the same sources is started under
# Wine 64-bit, in a prefix of its own inside the build tree. Wine has no
# Edge: that prefix's App Paths entry for msedge.exe points to a stand-in,
# so the dialog opens instead of reporting a missing browser. Without a
# display the dialog runs on a virtual one, is saved to
# build/run-wine/screenshot.png and closed.
set -eu
cd "$(dirname "$0")/.."

case "$(uname -s)" in
    MINGW* | MSYS* | CYGWIN*)
        cmake --preset mingw-windows
        cmake --build --preset mingw-windows --target tavrin
        exec build/mingw-windows/app/tavrin.exe
        ;;
esac

tree=build/run-wine
if [ "${TAVRIN_RUN_IN_NETNS:-}" != 1 ]; then
    sh tools/install-deps.sh
    cmake --preset mingw-i686
    cmake --build --preset mingw-i686
    echo "Built the 32-bit tool: build/mingw-i686/app/tavrin.exe"

    # An i686 program does not run under Wine 64-bit on this kind of machine.
    cmake -S . -B "$tree" -G Ninja --toolchain cmake/toolchain-mingw-x86_64.cmake \
        -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_TESTS=OFF >/dev/null
    cmake --build "$tree" --target tavrin

    # The tool asks the unit's page whether it answers. Under Linux it runs in
    # a network namespace of its own (only loopback, with the test addresses,
    # where no unit answers), never on the machine's real network.
    echo "Starting Wine in a network namespace of its own: no unit answers there."
    exec env TAVRIN_RUN_IN_NETNS=1 sh tools/in-test-netns.sh sh tools/run.sh
fi
sh tools/in-test-netns.sh --check

prefix=$(pwd)/$tree/wineprefix
sh cmake/make-wine-prefix.sh "$prefix"
. cmake/wine.env
export WINEPREFIX="$prefix" WINEDEBUG="$TAVRIN_WINEDEBUG" HOME="$prefix/home"
export WINEDLLOVERRIDES="$TAVRIN_WINEDLLOVERRIDES"
wine64=$TAVRIN_WINE64
wineserver=$TAVRIN_WINESERVER

edge_dir="$prefix/drive_c/Program Files (x86)/Microsoft/Edge/Application"
if [ ! -f "$edge_dir/msedge.exe" ]; then
    mkdir -p "$edge_dir"
    cp "$prefix/drive_c/windows/system32/notepad.exe" "$edge_dir/msedge.exe"
    cat > "$prefix/tavrin-edge.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\msedge.exe]
@="C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe"

[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\App Paths\msedge.exe]
@="C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe"
REG
    "$wine64" regedit /S "$prefix/tavrin-edge.reg" >/dev/null 2>&1
    "$wineserver" -w
fi
echo "Wine has no Microsoft Edge: in $prefix, App Paths\\msedge.exe points to a stand-in"
echo "(a copy of Wine's notepad.exe at C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe)."

exe=$(pwd)/$tree/app/tavrin.exe
if [ -n "${DISPLAY:-}" ]; then
    echo "Starting the dialog; the tool ends when it is closed."
    "$wine64" "$exe"
    "$wineserver" -w
    exit 0
fi

screenshot=$(pwd)/$tree/screenshot.png
cat > "$prefix/run-headless.sh" <<'HEADLESS'
set -eu
# The tool's own process; the desktop's command line names the exe too.
running() { pgrep -f '^/.*/run-wine/app/tavrin\.exe' >/dev/null; }
# A virtual desktop draws the title bar, which a bare X server would not.
"$wine64" explorer /desktop=Tavrin,800x600 "$exe" &
tries=0
until running; do
    tries=$((tries + 1))
    [ "$tries" -lt 60 ] || { echo "The tool did not start" >&2; exit 1; }
    sleep 1
done
sleep 4  # the dialog is up well within this once the process runs
import -window root "$screenshot"
# Without /F, taskkill asks the dialog to close, as its close box does. It
# only sees the windows of its own desktop, so it runs on the virtual one.
"$wine64" explorer /desktop=Tavrin,800x600 taskkill /IM tavrin.exe >/dev/null 2>&1 || true
tries=0
while running && [ "$tries" -lt 20 ]; do
    tries=$((tries + 1))
    sleep 1
done
if running; then echo "The dialog did not close" >&2; fi
# The virtual desktop outlives the tool; end this prefix's Wine session.
"$wineserver" -k
wait || true
HEADLESS
echo "No display: running the dialog on a virtual one."
wine64="$wine64" wineserver="$wineserver" exe="$exe" screenshot="$screenshot" \
    xvfb-run -a -s "-screen 0 800x600x24" sh "$prefix/run-headless.sh"
"$wineserver" -w
echo "Saved the dialog as $screenshot and closed it."
