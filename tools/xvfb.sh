# Sourced: starts a private Xvfb at 1024 x 768 x 24 (or $KELP_SCREEN, with
# $KELP_XVFB_ARGS) and exports DISPLAY.
# Call stop_xvfb when done.
start_xvfb() {
  local n
  for n in $(seq 91 140); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvfb :$n -screen 0 ${KELP_SCREEN:-1024x768x24} $KELP_XVFB_ARGS -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=:$n
    for _ in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill $XVFB_PID 2>/dev/null
  done
  echo "could not start Xvfb" >&2
  return 1
}
stop_xvfb() {
  [ -n "$XVFB_PID" ] && kill $XVFB_PID 2>/dev/null
  XVFB_PID=
}
