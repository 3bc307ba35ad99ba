#!/bin/bash
# Runs a test program under another ANSI code page: Wine takes it from the
# locale (ja_JP gives 932, zh_TW 950).  The locale is compiled into the
# build folder when the machine lacks it; the prefix is one of its own, as
# a prefix keeps the code page it was made with; and so is the display.
# Usage: codepage.sh ja_JP program.exe [arguments]
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$here/build/wine-$1
. "$here/tools/xvfb.sh"
one_run_per_prefix "$@"
name=$1; shift
export LOCPATH=$here/build/locale LC_ALL=$name.UTF-8
mkdir -p "$LOCPATH"
(
  flock 9
  [ -d "$LOCPATH/$LC_ALL" ] || localedef -i "$name" -f UTF-8 "$LOCPATH/$LC_ALL" || exit 1
) 9>"$LOCPATH.lock" || { echo "cannot compile the locale $name" >&2; exit 1; }
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
(
  flock 9
  "$here/tools/wine-prefix.sh" </dev/null >/dev/null 2>&1 9>&-
) 9>"$WINEPREFIX.setup.lock"

start_xvfb || exit 1
run_here_and_exit "$@"
