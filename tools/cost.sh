#!/bin/bash
# What the running saver costs the machine, beside XScreenSaver's ripples on
# the same virtual display: CPU ticks (1/100 s) of the saver's process, the
# wineserver and the X server over 15 s while the water rises and again once
# it is full, at 1024 x 768 and 1920 x 1080, with the cursor under water so
# that the fish swims; then the same for "ripples -root".  Frames are counted
# as the image uploads each program sends the X server (strace, after each
# measured span, so that tracing does not weigh on the figures).
#   tools/cost.sh [other.scr ...]    other builds of the saver, measured too
#   KELP_COST_RUNS  rounds of the whole measurement (default 3); the table
#                   gives each figure's median over the rounds
#   KELP_COST_SIZES screens to measure on (default "1024x768 1920x1080")
# Run it on an otherwise idle machine.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
tools/deps.sh xscreensaver-data-extra strace || exit 1
ripples=/usr/libexec/xscreensaver/ripples
[ -x "$ripples" ] || ripples=/usr/lib/xscreensaver/ripples

cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake >/dev/null &&
cmake --build build/i686 -j"$(nproc)" --target kelpVole99 || exit 1
savers=("$here/build/i686/bin/kelpVole99.scr")
for s in "$@"; do
  case $s in *.scr) savers+=("$(cd "$(dirname "$s")" && pwd)/$(basename "$s")") ;;
    *) echo "not a saver: $s" >&2; exit 2 ;; esac
done

# Its own prefix, so that the tests may run meanwhile.
KELP_PREFIX=wine-cost . tools/wine-env.sh || exit 1
. tools/xvfb.sh

SPAN=15
# the wineserver of this prefix works in a folder named after its device and inode
serverdir=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
serverpid() {
  local p
  for p in $(pgrep -x 'wineserver|wineserver64'); do
    case $(readlink "/proc/$p/cwd") in */"$serverdir") echo "$p"; return ;; esac
  done
}
# A fresh X server for every program: the second of two runs on one server
# was seen to cost the X server more, whichever build it was.
display() {
  KELP_SCREEN=${size}x24 start_xvfb || return 1
  shm=$(xdpyinfo -queryExtensions | sed -n 's/.*MIT-SHM *(opcode: \([0-9]*\).*/\1/p')
  shm=$(printf '%x' "${shm:-255}")
}
# The process of this prefix whose command line holds $1: a saver of the
# same name may run in another prefix, which this script must not end.
ownpid() {
  local p
  for p in $(pgrep -f "$1"); do
    tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
      { echo "$p"; return; }
  done
}
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
# frames PID: image uploads (PutImage, or MIT-SHM's ShmPutImage) per second
frames() {
  local log=build/cost-strace.log
  timeout -s INT 3 strace -f -qq -e trace=writev,write -s 2 -x -o $log -p "$1" >/dev/null 2>&1
  grep -c -E "writev\([0-9]+, \[\{iov_base=\"(\\\\x$shm\\\\x03|\\\\x48)" $log |
    awk '{ printf "%.1f", $1 / 3 }'
  rm -f $log
}
# measure NAME PHASE PID SERVERPID: one line of figures
measure() {
  local a0 w0 x0 a1 w1 x1 fps
  a0=$(cpu "$3"); w0=$(cpu "$4"); x0=$(cpu "$XVFB_PID")
  sleep $SPAN
  a1=$(cpu "$3"); w1=$(cpu "$4"); x1=$(cpu "$XVFB_PID")
  fps=$(frames "$3")
  echo "$size $1 $2 $((a1 - a0)) $((w1 - w0)) $((x1 - x0)) $fps" >> "$table"
}

table=build/cost.txt
: > "$table"
for round in $(seq "${KELP_COST_RUNS:-3}"); do
for size in ${KELP_COST_SIZES:-1024x768 1920x1080}; do
  w=${size%x*} h=${size#*x}

  # every other round in reverse, so that no build always goes first
  order=("${savers[@]}")
  [ $((round % 2)) -eq 0 ] && for i in "${!savers[@]}"; do
    order[$i]=${savers[$(( ${#savers[@]} - 1 - i ))]}
  done
  for saver in "${order[@]}"; do
    name=$(basename "$saver" .scr)
    wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
    display || exit 1
    launched=$SECONDS
    wine "$saver" /s &
    sleep 3
    # Wine centres the pointer as it starts: put it under water afterwards
    xdotool mousemove $((w / 3)) $((h - 50))
    sleep 1
    pid=$(ownpid "$(basename "$saver") /s")
    server=$(serverpid)
    [ -n "$pid" ] && [ -n "$server" ] || { echo "$name did not start" >&2; stop_xvfb; continue; }
    measure "$name" rising "$pid" "$server"
    # default fill: full after (H div 100) * 100 + 60 ticks of 30 ms
    rise=$(( ((h / 100) * 100 + 60) * 33 / 1000 + 4 ))
    while [ $((SECONDS - launched)) -lt $rise ]; do sleep 1; done
    measure "$name" full "$pid" "$server"
    xdotool key q
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null
    wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
    stop_xvfb
  done

  display || exit 1
  "$ripples" -root >/dev/null 2>&1 &
  rpid=$!
  sleep 3
  measure ripples any "$rpid" 0
  kill $rpid; wait $rpid 2>/dev/null
  stop_xvfb
done
done

# Medians over the rounds; ripples has no phases, so each saver line is set
# against its screen's ripples line.
python3 - "$table" "$SPAN" <<'SUMMARY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    screen, program, phase, own, server, x, fps = line.split()
    rows.setdefault((screen, program, phase), []).append((int(own), int(server), int(x), float(fps)))
span = int(sys.argv[2])
def median(values, i):
    return statistics.median(v[i] for v in values)
peer = {}
for (screen, program, phase), values in rows.items():
    if program == "ripples":
        total = median(values, 0) + median(values, 2)
        peer[screen] = (total, total * 10 / (median(values, 3) * span))
print("%-10s %-22s %-6s %6s %6s %6s %6s %6s %9s %8s %8s" % ("screen", "program", "phase",
      "own", "server", "X", "total", "fps", "ms/frame", "x total", "x frame"))
for (screen, program, phase), values in rows.items():
    own, server, x, fps = (median(values, i) for i in range(4))
    total = own + x + (0 if program == "ripples" else server)
    frame = total * 10 / (fps * span) if fps else 0
    p = peer.get(screen, (0, 0))
    print("%-10s %-22s %-6s %6g %6s %6g %6g %6.1f %9.2f %8.2f %8.2f" % (screen, program, phase,
          own, "-" if program == "ripples" else "%g" % server, x, total, fps, frame,
          total / p[0] if p[0] else 0, frame / p[1] if p[1] else 0))
print("CPU ticks are 1/100 s over %d s, medians of %d rounds; own = the saver's or ripples'"
      " process, server = the wineserver, X = the X server" % (span, len(next(iter(rows.values())))))
SUMMARY
