#!/bin/bash
# Installs what is missing, builds the program and photographs it on a
# private virtual display, into docs/: the saver in mid-animation, the
# configuration dialog, setup with its location picker, and the remover
# after a run.  Each picture is scaled or cropped and reduced to a palette
# so that it stays small.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
tools/deps.sh || exit 1
cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake >/dev/null &&
cmake --build build/i686 -j"$(nproc)" --target kelpVole99 demodesk || exit 1

. tools/wine-env.sh || exit 1
. tools/xvfb.sh
start_xvfb || exit 1
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
cleanup() { wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; stop_xvfb; rm -rf "$work"; }
trap cleanup EXIT

bin=$here/build/i686/bin
work=$(mktemp -d)
mkdir -p docs
saver=$(winepath -w "$bin/kelpVole99.scr" 2>/dev/null)

shot() { import -window root -display "$DISPLAY" "$work/$1.png"; }
# A window's rectangle on the screen as convert's crop geometry.
geometry() {
  local id
  id=$(xdotool search --sync --onlyvisible --name "^$1\$" | head -1) || return 1
  eval "$(xdotool getwindowgeometry --shell "$id")"
  echo "${WIDTH}x${HEIGHT}+${X}+${Y}"
}
# Crops to the geometry (or scales the whole screen) and keeps 128 colours.
save() {
  convert "$work/$1.png" $2 -colors 128 "PNG8:docs/$1.png"
  echo "docs/$1.png: $(stat -c %s "docs/$1.png") bytes"
}
waitgone() { for _ in $(seq 1 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done; }

# The saver over the stand-in desktop, the fish under water.
wine "$bin/demodesk.exe" "$saver" >/dev/null 2>&1 &
desk=$!
sleep 4
xdotool mousemove 600 700
sleep 10
shot saver
xdotool key q
waitgone $desk
save saver "-resize 50%"

# The configuration dialog over the same desktop.
wine "$bin/demodesk.exe" "$saver" /c >/dev/null 2>&1 &
desk=$!
sleep 5
box=$(geometry "zUb's kelpVole'99 config") && shot config
xdotool key Escape
waitgone $desk
[ -n "$box" ] && save config "-crop $box +repage"

# Setup under its distributed name, with the location picker open over it.
cp "$bin/kelpVole99.exe" "$work/kelpVole99.exe"
wine "$work/kelpVole99.exe" >/dev/null 2>&1 &
setup=$!
a=$(geometry setup) && xdotool key Tab space
b=$(geometry "Select install location") && sleep 2 && shot setup
xdotool key Escape
sleep 1
xdotool key Escape
sleep 0.5
xdotool key Return 2>/dev/null   # "Really exit ?" asks, Yes leaves
waitgone $setup
kill $setup 2>/dev/null
# both dialogs: the smallest rectangle holding the two
if [ -n "$a" ] && [ -n "$b" ]; then
  read -r w1 h1 x1 y1 <<<"$(echo "$a" | tr 'x+' '  ')"
  read -r w2 h2 x2 y2 <<<"$(echo "$b" | tr 'x+' '  ')"
  l=$((x1 < x2 ? x1 : x2)) t=$((y1 < y2 ? y1 : y2))
  r=$((x1 + w1 > x2 + w2 ? x1 + w1 : x2 + w2)) u=$((y1 + h1 > y2 + h2 ? y1 + h1 : y2 + h2))
  save setup "-crop $((r - l))x$((u - t))+$l+$t +repage"
fi

# The remover after a full run on an install made by setup.
wine "$work/kelpVole99.exe" >/dev/null 2>&1 &
setup=$!
geometry setup >/dev/null && xdotool key Tab Tab space Return   # no settings page; SETUP
for _ in 1 2 3 4 5 6; do sleep 1; xdotool key Return; done        # its boxes
waitgone $setup
kill $setup 2>/dev/null
# Setup opened its start-menu folder in a Wine explorer window: end it with
# everything else of this prefix, and no other prefix's.
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
wine "C:\\windows\\zUbSavRemov_1_51.exe" kelpVole99 >/dev/null 2>&1 &
remover=$!
box=$(geometry "uninstall saver") && xdotool key Return
sleep 5
[ -n "$box" ] && shot remover
xdotool key Return; sleep 0.5; xdotool key Return
waitgone $remover
[ -n "$box" ] && save remover "-crop $box +repage"
ls -l docs
