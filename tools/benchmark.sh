#!/bin/bash
# Builds and runs the engine benchmark under Wine on a 3840 x 2160 virtual
# display: a tick's cost against a plain memory copy and the surfaces'
# building at three sizes, then a soak at 1920 x 1080 and at 3840 x 2160
# watching memory and GDI handles.
#   tools/benchmark.sh          1000 ticks per measurement, a soak of 12,000
#                               ticks (six minutes of the saver's time):
#                               about 4 to 5 minutes on two shared cores
#   tools/benchmark.sh --hour   the soak is an hour's 120,000 ticks: about
#                               35 minutes (ten times the default's soak)
#   tools/benchmark.sh TICKS [SOAK]   other counts (SOAK 12,000 if not given)
# Every line is stamped with the seconds since the program started, and a
# line says it is still running when a minute passes without one.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
case $1 in
  --hour) set -- 1000 120000 ;;
  "") set -- 1000 12000 ;;
  *) set -- "$1" "${2:-12000}" ;;
esac
tools/deps.sh || exit 1
cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake >/dev/null &&
cmake --build build/i686 -j"$(nproc)" --target kelp_benchmark || exit 1
. tools/wine-env.sh || exit 1
. tools/xvfb.sh
KELP_SCREEN=3840x2160x24 start_xvfb || exit 1
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null

# A soak prints a row each quarter, which at 3840 x 2160 in the hour's run
# is several minutes apart: the heartbeat shows that it has not hung.
stamp() {
  local line part= started=$SECONDS rc
  while :; do
    IFS= read -r -t 60 line
    rc=$?
    if [ $rc -eq 0 ]; then
      printf '[%4ds] %s\n' $((SECONDS - started)) "$part$line"
      part=
    elif [ $rc -gt 128 ]; then
      part=$part$line
      printf '[%4ds] ... still running\n' $((SECONDS - started))
    else
      [ -n "$part$line" ] && printf '[%4ds] %s\n' $((SECONDS - started)) "$part$line"
      return 0
    fi
  done
}
echo "measuring $1 ticks per pass at 1024 x 768, 1920 x 1080 and 3840 x 2160," \
     "then soaking $2 ticks at the two larger sizes"
wine build/i686/bin/kelp_benchmark.exe "$1" "$2" 2>&1 | stamp
rc=${PIPESTATUS[0]}
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
stop_xvfb
exit $rc
