#!/bin/bash
# Installs what is missing, builds the program for i686 and x86_64 and runs
# every test of both under Wine.  The tests mostly wait on windows, boxes
# and processes, not on the processor: so each architecture's tests run on
# a Wine prefix (build/wine-<arch>) and a virtual display of their own, the
# i686 ones starting while x86_64 still builds, and both side by side.
# Each writes build/<arch>/ctest.log, shown whole once both are done.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
started=$(date +%s)
tools/deps.sh || exit 1
archs="i686 x86_64"

# The build lists the tests through Wine, in tools/wine-run's prefix
# (build/wine, made by the first build, at hand for the second while the
# first one's tests begin): its server is ended after each build.
build() {
  local rc WINEPREFIX=$here/build/wine
  export WINEPREFIX
  cmake -S . -B build/$1 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$1.cmake >/dev/null &&
  cmake --build build/$1 -j"$(nproc)"
  rc=$?
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  return $rc
}

# One architecture's tests on its own prefix and display; the tests that
# can share them (see tests/CMakeLists.txt) run beside the others.
lane() {
  export KELP_PREFIX=wine-$1
  . tools/wine-env.sh || return 1
  . tools/xvfb.sh
  start_xvfb || return 1
  # A wineserver keeps the screen it first saw: start afresh on this display.
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  ctest --test-dir build/$1 --output-on-failure --timeout 180 -j2 &
  tests=$!
  # Ended early, the lane ends its tests and whatever runs in its prefix.
  trap 'exit 1' INT TERM
  trap 'kill $tests 2>/dev/null; wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; stop_xvfb' EXIT
  wait $tests
}

pids=
trap 'kill $pids 2>/dev/null' EXIT
for arch in $archs; do
  build $arch || exit 1
  echo "=== $arch: tests started, log in build/$arch/ctest.log ==="
  (lane $arch) >build/$arch/ctest.log 2>&1 &
  pids="$pids $!"
done

# CTest's line for each test that ended: " 12/237 Test  #12: Name ....   Passed   0.31 sec".
ended() { grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: ' "build/$1/ctest.log" 2>/dev/null; }

# A line a minute on how far each lane is, so that a hang shows.
begun=$(date +%s)
running() { for p in $pids; do kill -0 $p 2>/dev/null && return 0; done; return 1; }
while running; do
  for _ in $(seq 12); do running && sleep 5; done
  running || break
  for arch in $archs; do
    lines=$(ended $arch)
    count=$(printf '%s' "$lines" | grep -c .)
    all=$(printf '%s\n' "$lines" | tail -1 | sed -nE 's/^ *[0-9]+\/([0-9]+) .*/\1/p')
    bad=$(printf '%s' "$lines" | grep -vcE '(Passed|Skipped) +[0-9.]+ sec')
    echo "$arch: ${count}/${all:-?} done, $bad failed ($(( $(date +%s) - begun )) s)"
  done
done
for p in $pids; do wait $p; done
pids=

# A skipped test did not run: it is told apart, not counted as passed.
passed=0 failed=0 skipped=0
for arch in $archs; do
  echo "=== $arch ==="
  log=build/$arch/ctest.log
  cat "$log"
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    continue
  fi
  bad=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  all=$(echo "$line" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
  skip=$(ended $arch | grep -cE 'Skipped +[0-9.]+ sec')
  passed=$((passed + all - bad - skip)) failed=$((failed + bad)) skipped=$((skipped + skip))
done
echo "total: $passed passed, $failed failed, $skipped skipped (in $(( $(date +%s) - started )) s)"
[ "$failed" -eq 0 ]
