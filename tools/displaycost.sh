#!/bin/bash
# The saver's GDI objects and working set across ten display changes
# (1024 x 768 and 1280 x 1024 in turn), printed after each.  The 64-bit
# build is measured: Wine answers GetGuiResources with 0, and only its
# 64-bit processes show their object table to another process.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
tools/deps.sh || exit 1
cmake -S . -B build/x86_64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake >/dev/null &&
cmake --build build/x86_64 -j2 --target kelpVole99 kelp_displaycost || exit 1
exec tools/displaychange.sh "$here/build/x86_64/bin/kelp_displaycost.exe" \
  "Z:${here//\//\\}\\build\\x86_64\\bin\\kelpVole99.scr"
