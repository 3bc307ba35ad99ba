#!/bin/bash
# Runs a test program (through tools/wine-run) with a small file system of
# its own mounted in a folder of the Wine prefix's drive C and filled to a
# few KB, so that writes there meet a full disk; the folder's Windows path
# is handed over as KELP_FULL_DISK.  A mount, not a link: under Wine a
# delete through a link deletes its target.  Needs root.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wine}
name=kelpfull$$
dir=$WINEPREFIX/drive_c/$name
mkdir "$dir" || exit 1
if ! mount -t tmpfs -o size=64k,mode=0777 kelpfull "$dir"; then
  rmdir "$dir"
  exit 1
fi
head -c 61440 /dev/zero > "$dir/filler" 2>/dev/null   # 4 KB stay free
KELP_FULL_DISK="C:\\$name" "$here/tools/wine-run" "$@"
rc=$?
umount "$dir" && rmdir "$dir"
exit $rc
