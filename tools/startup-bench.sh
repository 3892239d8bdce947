#!/bin/sh
# How much later the tool's dialog shows than a bare dialog of the same
# template after the same required work, under Wine 64-bit: interleaved pairs,
# the median of the pairs' ratios. A benchmark, not a test: it prints figures.
#   sh tools/startup-bench.sh [PAIRS [TOOL.exe]]   (default 40 pairs, this build's tool)
# Needs the mingw-x86_64 build (cmake --build --preset mingw-x86_64). Runs in
# the tests' network namespace and on a virtual display, in a prefix of its own.
set -eu
cd "$(dirname "$0")/.."
pairs=${1:-40}
tree=build/mingw-x86_64
tool=${2:-$(pwd)/$tree/app/tavrin.exe}
bench=$(pwd)/$tree/tools/startup-bench

if [ "${TAVRIN_BENCH_INSIDE:-}" != 1 ]; then
    cmake --build --preset mingw-x86_64 --target tavrin tavrin_bare_dialog tavrin_startup_bench >/dev/null
    exec env TAVRIN_BENCH_INSIDE=1 sh tools/in-test-netns.sh \
        xvfb-run -a -s "-screen 0 1280x1024x24" sh tools/startup-bench.sh "$pairs" "$tool"
fi

prefix=$bench/wineprefix
sh cmake/make-wine-prefix.sh "$prefix"
. cmake/wine.env
export WINEPREFIX="$prefix" WINEDEBUG="$TAVRIN_WINEDEBUG" HOME="$prefix/home"
export WINEDLLOVERRIDES="$TAVRIN_WINEDLLOVERRIDES"

# Wine has no Edge: both programs find a stand-in through App Paths, as the
# tool must to show its dialog at all.
edge_dir="$prefix/drive_c/Program Files (x86)/Microsoft/Edge/Application"
if [ ! -f "$edge_dir/msedge.exe" ]; then
    mkdir -p "$edge_dir"
    cp "$prefix/drive_c/windows/system32/notepad.exe" "$edge_dir/msedge.exe"
    cat > "$prefix/tavrin-edge.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\msedge.exe]
@="C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe"
REG
    "$TAVRIN_WINE64" regedit /S "$prefix/tavrin-edge.reg" >/dev/null 2>&1
    "$TAVRIN_WINESERVER" -w
fi

# One server for the whole run, so that no start pays for starting it.
"$TAVRIN_WINESERVER" -p
trap '"$TAVRIN_WINESERVER" -k; exit' EXIT INT TERM
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min), $(nproc) cores"
"$TAVRIN_WINE64" "$bench/tavrin_startup_bench.exe" "$bench/tavrin_bare_dialog.exe" "$tool" "$pairs"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
