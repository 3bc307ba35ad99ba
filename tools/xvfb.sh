# Sourced: starts a private Xvfb at 1024 x 768 x 24 (or $KELP_SCREEN, with
# $KELP_XVFB_ARGS) and exports DISPLAY.
# Call stop_xvfb when done.
# The server picks a free display itself and names it once it takes
# connections: two runs side by side, each looking for a free number, could
# otherwise take the same one and share a screen, a pointer and a keyboard.
start_xvfb() {
  local named n
  named=$(mktemp) || return 1
  Xvfb -displayfd 3 -screen 0 ${KELP_SCREEN:-1024x768x24} $KELP_XVFB_ARGS -nolisten tcp \
    3>"$named" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    n=$(head -n 1 "$named")
    if [ -n "$n" ]; then
      rm -f "$named"
      export DISPLAY=:$n
      xdpyinfo >/dev/null 2>&1 && return 0
      break
    fi
    kill -0 $XVFB_PID 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$named"
  kill $XVFB_PID 2>/dev/null
  XVFB_PID=
  echo "could not start Xvfb" >&2
  return 1
}
stop_xvfb() {
  [ -n "$XVFB_PID" ] && kill $XVFB_PID 2>/dev/null
  XVFB_PID=
}

# Runs a program through tools/wine-run on this display, the prefix's
# server fresh before and ended after, then stops the display and exits
# with the program's status.  $here is the project's top folder.
run_here_and_exit() {
  local rc
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  "$here/tools/wine-run" "$@"
  rc=$?
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  stop_xvfb
  exit $rc
}

# The scripts with a prefix and a display of their own (two monitors, the
# screen changing size, a code page) serve both architectures' tests, which
# run side by side: one run at a time in such a prefix, as each ends its
# server.  Called with the script's arguments once $WINEPREFIX is set, it
# starts the script again under the prefix's lock, held by flock itself so
# that the Wine daemons the script starts do not inherit it.
one_run_per_prefix() {
  [ "$KELP_RUN_LOCK" = "$WINEPREFIX" ] && return 0
  KELP_RUN_LOCK=$WINEPREFIX exec flock -o "$WINEPREFIX.run.lock" "$0" "$@"
}
