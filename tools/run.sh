#!/bin/sh
# Builds the tool and starts it.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
cmake --preset mingw-i686
cmake --build --preset mingw-i686
echo "Built the i686 tool in build/mingw-i686. Starting the dialog under Wine comes with the application step."
