#!/bin/bash
# Installs what is missing, builds the program and photographs it on a
# private virtual display, into docs/: the saver in mid-animation, the
# configuration dialog, setup with its location picker, the remover after a
# run, and the saver alone on the bare display, which it cannot photograph,
# laying out a wallpaper.  Each picture is scaled or cropped and reduced to
# a palette so that it stays small.
# It ends only what runs in its own Wine prefix (wineserver -k there), and
# puts back the registry values, keys and system.ini that its runs of setup,
# the remover and the saver change in that prefix.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
tools/deps.sh || exit 1
cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake >/dev/null &&
cmake --build build/i686 -j"$(nproc)" --target kelpVole99 demodesk || exit 1

. tools/wine-env.sh || exit 1
. tools/xvfb.sh
start_xvfb || exit 1
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
bin=$here/build/i686/bin
work=$(mktemp -d)

# What setup, the remover and the wallpaper picture change, as it was before.
# Values: one line each, "key<TAB>name<TAB>type<TAB>data", no type if absent.
desktop='HKCU\Control Panel\Desktop'
record='HKLM\Software\Microsoft\Windows\CurrentVersion'
keepvalue() {
  local type
  type=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
         sed -n "s/^    $2    \(REG_[A-Z_]*\)    \(.*\)\$/\1\t\2/p")
  printf '%s\t%s\t%s\n' "$1" "$2" "${type:-}" >> "$work/values"
}
# Keys with all below them, in the view a 32-bit program sees: exported,
# or no file when the key is absent.
keptkeys=()
keepkey() {
  keptkeys+=("$1")
  wine reg export "$1" "$work/key${#keptkeys[@]}.reg" /y /reg:32 >/dev/null 2>&1 ||
    rm -f "$work/key${#keptkeys[@]}.reg"
}
putback() {
  local key name type data i
  [ -f "$work/values" ] || return 0
  while IFS=$'\t' read -r key name type data; do
    if [ -n "$type" ]; then wine reg add "$key" /v "$name" /t "$type" /d "$data" /f
    else wine reg delete "$key" /v "$name" /f; fi >/dev/null 2>&1
  done < "$work/values"
  for i in "${!keptkeys[@]}"; do
    wine reg delete "${keptkeys[$i]}" /f /reg:32 >/dev/null 2>&1
    [ -f "$work/key$((i + 1)).reg" ] && wine reg import "$work/key$((i + 1)).reg" /reg:32 >/dev/null 2>&1
  done
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  cp "$work/system.ini" "$WINEPREFIX/drive_c/windows/system.ini"
}
cleanup() {
  putback
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; stop_xvfb; rm -rf "$work"
}
trap cleanup EXIT
cp "$WINEPREFIX/drive_c/windows/system.ini" "$work/system.ini" || exit 1
for v in Wallpaper WallpaperStyle TileWallpaper ScreenSaveActive ScreenSaveTimeOut; do
  keepvalue "$desktop" $v
done
keepkey "$record\\Uninstall\\kelpVole99"
keepkey "$record\\App Paths\\kelpVole99"
keepkey 'HKCU\Software\zub_Kram'
mkdir -p docs
saver=$(winepath -w "$bin/kelpVole99.scr" 2>/dev/null)

shot() { import -window root -display "$DISPLAY" "$work/$1.png"; }
# A window's rectangle on the screen as convert's crop geometry.
geometry() {
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -1)
  [ -n "$id" ] || return 1
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

# The saver alone on the bare display: Wine photographs it black, as the
# system photographs the saver's own desktop at the logon screen, so the
# saver lays out the wallpaper, here a JPEG of 800 x 600 stretched (style 2).
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
convert -size 800x600 -seed 7 plasma:fractal -blur 0x3 \
  \( -size 800x600 gradient:'#203060'-'#e0a040' \) -compose blend -define compose:args=45 -composite \
  -quality 85 "$work/wall.jpg"
wine reg add "$desktop" /v Wallpaper /d "$(winepath -w "$work/wall.jpg" 2>/dev/null)" /f >/dev/null 2>&1
wine reg add "$desktop" /v WallpaperStyle /d 2 /f >/dev/null 2>&1
wine reg add "$desktop" /v TileWallpaper /d 0 /f >/dev/null 2>&1
wine "$saver" /s >/dev/null 2>&1 &
shown=$!
timeout 30 xdotool search --sync --onlyvisible --name '^ssave$' >/dev/null && xdotool mousemove 600 700
sleep 12
shot wallpaper
xdotool key q
waitgone $shown
save wallpaper "-resize 50%"
ls -l docs
