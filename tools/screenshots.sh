#!/bin/bash
# Installs what is missing, builds the program and photographs it on a
# private virtual display, into docs/: the saver in mid-animation, the
# configuration dialog, setup with its location picker, the remover after a
# run, and the saver alone on a desktop of its own, which it does not
# photograph, laying out a wallpaper.  Each window is waited for; a picture
# that is not made ends the script with an error.  Each picture is scaled or cropped and reduced to
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

failed=
missing() { echo "docs/$1.png NOT MADE: $2" >&2; failed="$failed $1"; }
shot() { import -window root -display "$DISPLAY" "$work/$1.png"; }
# The first visible window with this title (a pattern), waited for; its id.
waitwin() { timeout "${2:-30}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
# A window's rectangle on the screen as convert's crop geometry.
geometry() {
  local id
  id=$(waitwin "$1")
  [ -n "$id" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$id")"
  echo "${WIDTH}x${HEIGHT}+${X}+${Y}"
}
# Crops to the geometry (or scales the whole screen) and keeps 128 colours.
save() {
  rm -f "docs/$1.png"
  if [ -f "$work/$1.png" ] && convert "$work/$1.png" $2 -colors 128 "PNG8:docs/$1.png"; then
    echo "docs/$1.png: $(stat -c %s "docs/$1.png") bytes"
  else
    missing "$1" "no shot"
  fi
}
# Answers every box of a run titled as given with Return, until it ends.
answerboxes() {
  local id
  while kill -0 "$1" 2>/dev/null; do
    id=$(waitwin "$2" 5)
    [ -n "$id" ] || continue
    xdotool key Return
    for _ in $(seq 1 50); do   # that box gone
      xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | grep -qx "$id" || break
      sleep 0.1
    done
  done
}
waitgone() { for _ in $(seq 1 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done; }

# The saver over the stand-in desktop, the fish under water.
wine "$bin/demodesk.exe" "$saver" >/dev/null 2>&1 &
desk=$!
[ -n "$(waitwin ssave)" ] || missing saver "no saver window"
xdotool mousemove 600 700
sleep 10   # the water's height in the picture
shot saver
xdotool key q
waitgone $desk
save saver "-resize 50%"

# The configuration dialog over the same desktop.
wine "$bin/demodesk.exe" "$saver" /c >/dev/null 2>&1 &
desk=$!
box=$(geometry "zUb's kelpVole'99 config") && sleep 1 && shot config
xdotool key Escape
waitgone $desk
if [ -n "$box" ]; then save config "-crop $box +repage"; else missing config "no dialog"; fi

# Setup under its distributed name, with the location picker open over it.
cp "$bin/kelpVole99.exe" "$work/kelpVole99.exe"
wine "$work/kelpVole99.exe" >/dev/null 2>&1 &
setup=$!
a=$(geometry setup) && xdotool key Tab space
b=$(geometry "Select install location") && sleep 1 && shot setup
xdotool key Escape
for _ in $(seq 1 100); do   # the picker gone
  xdotool search --onlyvisible --name '^Select install location$' >/dev/null || break
  sleep 0.1
done
xdotool key Escape
q=$(waitwin QUESTION 10) && [ -n "$q" ] && xdotool key y   # "Really exit ?" Yes
waitgone $setup
kill $setup 2>/dev/null
# both dialogs: the smallest rectangle holding the two
if [ -n "$a" ] && [ -n "$b" ]; then
  read -r w1 h1 x1 y1 <<<"$(echo "$a" | tr 'x+' '  ')"
  read -r w2 h2 x2 y2 <<<"$(echo "$b" | tr 'x+' '  ')"
  l=$((x1 < x2 ? x1 : x2)) t=$((y1 < y2 ? y1 : y2))
  r=$((x1 + w1 > x2 + w2 ? x1 + w1 : x2 + w2)) u=$((y1 + h1 > y2 + h2 ? y1 + h1 : y2 + h2))
  save setup "-crop $((r - l))x$((u - t))+$l+$t +repage"
else
  missing setup "no setup dialog or picker"
fi

# The remover after a full run on an install made by setup.
wine "$work/kelpVole99.exe" >/dev/null 2>&1 &
setup=$!
geometry setup >/dev/null && xdotool key Tab Tab space Return   # no settings page; SETUP
answerboxes $setup '(message|question)'
waitgone $setup
kill $setup 2>/dev/null
# Setup opened its start-menu folder in a Wine explorer window: end it with
# everything else of this prefix, and no other prefix's.
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
wine "C:\\windows\\zUbSavRemov_1_51.exe" kelpVole99 >/dev/null 2>&1 &
remover=$!
box=$(geometry "uninstall saver") && xdotool key Return
done=$(waitwin info)
[ -n "$box" ] && [ -n "$done" ] && shot remover
[ -n "$done" ] && xdotool key Return
[ -n "$(waitwin "uninstall saver" 5)" ] && xdotool key Return
waitgone $remover
kill $remover 2>/dev/null
if [ -n "$box" ] && [ -n "$done" ]; then save remover "-crop $box +repage"
else missing remover "no remover dialog or report"; fi

# The saver alone on a desktop of its own, as the system starts a saver
# that ends at the logon screen: it lays out the wallpaper there instead of
# a photograph, here a JPEG of 800 x 600 stretched (style 2).
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
convert -size 800x600 -seed 7 plasma:fractal -blur 0x3 \
  \( -size 800x600 gradient:'#203060'-'#e0a040' \) -compose blend -define compose:args=45 -composite \
  -quality 85 "$work/wall.jpg"
wine reg add "$desktop" /v Wallpaper /d "$(winepath -w "$work/wall.jpg" 2>/dev/null)" /f >/dev/null 2>&1
wine reg add "$desktop" /v WallpaperStyle /d 2 /f >/dev/null 2>&1
wine reg add "$desktop" /v TileWallpaper /d 0 /f >/dev/null 2>&1
wine "$bin/demodesk.exe" -own "$saver" >/dev/null 2>&1 &
shown=$!
if [ -n "$(waitwin ssave)" ]; then
  xdotool mousemove 600 700
  sleep 12   # the water's height in the picture
  shot wallpaper
  # the wallpaper, not a black photograph: the top half is far from black
  top=$(convert "$work/wallpaper.png" -crop 100%x50%+0+0 -format '%[fx:mean]' info:)
  awk "BEGIN { exit !($top > 0.15) }" || { missing wallpaper "dark ($top)"; rm -f "$work/wallpaper.png"; }
else
  missing wallpaper "no saver window"
fi
xdotool key q
waitgone $shown
kill $shown 2>/dev/null
[ -f "$work/wallpaper.png" ] && save wallpaper "-resize 50%"
ls -l docs
if [ -n "$failed" ]; then
  echo "pictures not made:$failed" >&2
  exit 1
fi
