#!/bin/bash
# How soon the saver is up, and the memory it takes, with no wallpaper and
# with a 1920 x 1080, a 6000 x 4000 and a 12000 x 8000 JPEG as wallpaper,
# each start on a desktop of its own (where the wallpaper takes the
# photograph's place), on a 1920 x 1080 virtual display; medians of 5
# starts, and what the system's decoder alone holds for each picture; and,
# in starts of their own, how soon a key sent 0.3 s after the window
# appears (while a large picture still decodes) ends the process.
#   tools/firstframe.sh          the saver as built from this folder
#   tools/firstframe.sh REV      beside the saver of git revision REV
#                                ("before"), built in a scratch folder
#   KELP_FIRSTFRAME_ROUNDS       starts per figure (default 5)
# One to three minutes with REV on two shared cores, most of it the large
# pictures' decoding.  Run it on an otherwise idle machine.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
rev=$1
tools/deps.sh || exit 1
cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake >/dev/null &&
cmake --build build/i686 -j2 --target kelpVole99 kelp_firstframe || exit 1

work=$here/build/firstframe
mkdir -p "$work"
# Wine shows the Unix root as drive Z:
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
cp build/i686/bin/kelpVole99.scr "$work/after.scr" || exit 1
savers=("after=$(winpath "$work/after.scr")")
if [ -n "$rev" ]; then
  scratch=$(mktemp -d) || exit 1
  trap 'rm -rf "$scratch"' EXIT
  git archive "$rev" | tar -x -C "$scratch" || exit 1
  echo "building $rev in a scratch folder"
  cmake -S "$scratch" -B "$scratch/build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake \
    -DKELP_TESTS=OFF >/dev/null &&
  cmake --build "$scratch/build" -j2 --target kelpVole99 >/dev/null || exit 1
  cp "$scratch/build/bin/kelpVole99.scr" "$work/before.scr" || exit 1
  savers=("before=$(winpath "$work/before.scr")" "${savers[@]}")
fi

# Photograph-like pictures (a fractal landscape of colour), made once.
pictures=()
for size in 1920x1080 6000x4000 12000x8000; do
  file=$work/wall-$size.jpg
  [ -f "$file" ] || convert -size 480x270 -seed 7 plasma:fractal -resize "$size!" \
    -quality 90 "$file" || exit 1
  pictures+=("${size/x/ x } JPEG=$(winpath "$file")")
done

# Its own prefix, so that the tests may run meanwhile.
KELP_PREFIX=wine-firstframe . tools/wine-env.sh || exit 1
. tools/xvfb.sh
KELP_SCREEN=1920x1080x24 start_xvfb || exit 1
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine build/i686/bin/kelp_firstframe.exe "${KELP_FIRSTFRAME_ROUNDS:-5}" "${savers[@]}" : \
  "${pictures[@]}" 2>&1 | tr -d '\r'
rc=${PIPESTATUS[0]}
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
stop_xvfb
exit $rc
