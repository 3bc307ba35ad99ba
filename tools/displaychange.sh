#!/bin/bash
# Runs a program (a test, or the measurement of tools/displaycost.sh) on a
# screen that changes size under it.  Xvfb starts at 1280 x 1024, the most
# it can ever show, and is switched to an added 1024 x 768 mode before Wine
# first looks; the program switches between the two with
# "xrandr --output screen --mode WxH", which Wine reports at once.  The
# ordinary tests must keep their one screen, and a wineserver stays with
# the display it first served: so this runs on its own Xvfb and its own
# prefix, whose server it ends again.
# Usage: displaychange.sh program.exe [arguments]
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$here/build/wine-display WINEDEBUG=-all
. "$here/tools/xvfb.sh"
one_run_per_prefix "$@"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$here/tools/wine-prefix.sh" </dev/null >/dev/null 2>&1

# -noreset: Xvfb would forget the added mode when its last client leaves.
export KELP_SCREEN=1280x1024x24 KELP_XVFB_ARGS=-noreset
start_xvfb || exit 1
{ xrandr --newmode 1024x768 0 1024 0 0 0 768 0 0 0 &&
  xrandr --addmode screen 1024x768 &&
  xrandr --output screen --mode 1024x768; } || { stop_xvfb; exit 1; }

run_here_and_exit "$@"
