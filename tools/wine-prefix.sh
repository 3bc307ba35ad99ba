#!/bin/bash
# Makes the Wine prefix the build and tests use (inside the build folder),
# once, and sets what makes Wine quick and quiet without a window manager.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ -f "$WINEPREFIX/.kelp-ready-2" ] && exit 0
# Made with no display: Wine's "being updated" window would otherwise come
# up on the caller's, in the middle of another test's screen.
unset DISPLAY
mkdir -p "$WINEPREFIX"
wineboot -i </dev/null >/dev/null 2>&1
# Without a window manager every hide of a managed window stalls for 2 s.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >/dev/null 2>&1
# An unhandled fault in any thread ends the program, as on Windows: the
# automatic debugger, which would hold it or let it go on, cannot start.
for view in 32 64; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
    /d 'kelp-no-debugger' /f /reg:$view >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto \
    /d 1 /f /reg:$view >/dev/null 2>&1
done
wineserver -w
touch "$WINEPREFIX/.kelp-ready-2"
