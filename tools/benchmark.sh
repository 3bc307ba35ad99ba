#!/bin/bash
# Builds and runs the engine benchmark under Wine on a 3840 x 2160 virtual display.
#   tools/benchmark.sh [ticks per measurement] [soak ticks]
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
tools/deps.sh || exit 1
cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake >/dev/null &&
cmake --build build/i686 -j"$(nproc)" --target kelp_benchmark || exit 1
. tools/wine-env.sh || exit 1
. tools/xvfb.sh
KELP_SCREEN=3840x2160x24 start_xvfb || exit 1
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
wine build/i686/bin/kelp_benchmark.exe "$@"
rc=$?
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
stop_xvfb
exit $rc
