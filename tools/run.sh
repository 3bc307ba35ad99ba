#!/bin/bash
# Installs what is missing, builds the program and runs the saver.
# With a usable $DISPLAY the saver runs there (a key or a click ends it).
# Without one it runs on a private virtual display in front of a stand-in
# desktop and writes PNG frames (and an animated GIF) to build/frames.
#   KELP_SECONDS  how long to film when headless (default 30)
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
tools/deps.sh || exit 1
cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake >/dev/null &&
cmake --build build/i686 -j"$(nproc)" --target kelpVole99 demodesk || exit 1

. tools/wine-env.sh || exit 1
saver=$here/build/i686/bin/kelpVole99.scr

if [ -n "$DISPLAY" ] && xdpyinfo >/dev/null 2>&1; then
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  wine "$saver" /s
  exit 0
fi

. tools/xvfb.sh
start_xvfb || exit 1
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
frames=$here/build/frames
rm -rf "$frames"; mkdir -p "$frames"
wine "$here/build/i686/bin/demodesk.exe" "$(winepath -w "$saver" 2>/dev/null)" &
desk=$!
sleep 4      # the stand-in desktop comes up, then the saver photographs it
xdotool mousemove 600 700     # under the water line soon: the cursor becomes the fish
seconds=${KELP_SECONDS:-30}
for i in $(seq -w 0 "$seconds"); do
  import -window root -display "$DISPLAY" "$frames/frame-$i.png"
  eval "$(xdotool getmouselocation --shell)"
  echo "$i $X $Y" >> "$frames/cursor.txt"
  sleep 1
done
xdotool key q
wait $desk

# A screen grab leaves the cursor out; paint the fish in where it swam,
# facing the way it moved since the last frame.
python3 tools/gen_assets.py resources/art "$frames/art" --png >/dev/null
for side in left right; do
  convert "$frames/art/fish$side.png" -sample 32x32 -transparent '#008080' "$frames/fish-$side.png"
done
lastx=
while read -r i x y; do
  side=right
  [ -n "$lastx" ] && [ "$x" -lt "$lastx" ] && side=left
  lastx=$x
  convert "$frames/frame-$i.png" "$frames/fish-$side.png" -geometry "+$x+$y" -composite \
    "$frames/frame-$i.png"
done < "$frames/cursor.txt"
rm -rf "$frames/art" "$frames"/fish-*.png
convert -delay 25 -loop 0 "$frames"/frame-*.png -resize 50% "$frames/saver.gif" 2>/dev/null
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
stop_xvfb
echo "frames written to $frames (saver.gif is the whole run)"
