#!/bin/bash
# Runs a test program on two monitors: "right" puts an 800 x 600 monitor
# right of the 1024 x 768 primary, "left" puts it left, bottoms aligned,
# which moves the virtual screen's origin to (-800, 0).
# Wine reads monitors declared with xrandr only through Xinerama, and only
# when its server starts; so this runs on its own Xvfb and its own prefix,
# whose server it ends again, and the ordinary tests keep their one screen.
# Usage: multimon.sh right|left program.exe [arguments]
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$here/build/wine-multimon WINEDEBUG=-all
. "$here/tools/xvfb.sh"
one_run_per_prefix "$@"
layout=$1; shift
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.kelp-multimon" ]; then
    "$here/tools/wine-prefix.sh" </dev/null >/dev/null 2>&1 9>&-
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f </dev/null >/dev/null 2>&1 9>&-
    wineserver -w
    touch "$WINEPREFIX/.kelp-multimon"
  fi
) 9>"$WINEPREFIX.setup.lock"

# -noreset: Xvfb would forget the monitors when its last client leaves.
export KELP_SCREEN=1824x768x24 KELP_XVFB_ARGS=-noreset
start_xvfb || exit 1
case $layout in
  right)
    xrandr --setmonitor MON1 1024/270x768/203+0+0 screen &&
    xrandr --setmonitor MON2 800/211x600/158+1024+0 none ;;
  left)
    xrandr --setmonitor LEFT 800/211x600/158+0+168 none &&
    xrandr --setmonitor '*RIGHT' 1024/270x768/203+800+0 screen ;;
  *) echo "layout right or left" >&2; stop_xvfb; exit 2 ;;
esac || { stop_xvfb; exit 1; }

run_here_and_exit "$@"
