#!/bin/bash
# Installs what is missing, builds the program for i686 and x86_64 and runs
# every test of both under Wine on a private virtual display.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
tools/deps.sh || exit 1
for arch in i686 x86_64; do
  cmake -S . -B build/$arch -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$arch.cmake >/dev/null &&
  cmake --build build/$arch -j"$(nproc)" || exit 1
done

. tools/wine-env.sh || exit 1
. tools/xvfb.sh
start_xvfb || exit 1
# A wineserver keeps the screen it first saw: start afresh on this display.
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
cleanup() { wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; stop_xvfb; }
trap cleanup EXIT

passed=0 failed=0
for arch in i686 x86_64; do
  echo "=== $arch ==="
  log=build/$arch/ctest.log
  ctest --test-dir build/$arch --output-on-failure --timeout 180 2>&1 | tee "$log"
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    continue
  fi
  bad=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  all=$(echo "$line" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
  passed=$((passed + all - bad)) failed=$((failed + bad))
done
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
