#!/bin/sh
# Builds everything and runs every test: the portable code natively, then the
# Windows build under Wine (with a virtual display for the dialog tests).
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

# The 32-bit product is what we ship; its headers and resources are checked
# by the Windows tests, and the end-to-end suites run it as a 32-bit process
# under the WoW64 Wine that install-deps.sh built, so it is built first.
cmake --preset mingw-i686
cmake --build --preset mingw-i686

cmake --preset mingw-x86_64
cmake --build --preset mingw-x86_64
# Everything that runs the tool under Wine runs inside a network namespace
# of its own (only loopback, with the unit addresses): the wineserver, which
# makes the sockets, Xvfb and the tests. A Wine test started outside one
# refuses to run.
sh tools/in-test-netns.sh xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset mingw-x86_64
