#!/bin/bash
# Installs the cross toolchain, Wine, Xvfb and the helpers the build and the
# tests need, and any further packages named, on a Debian machine, as root.
# Does nothing when all are there.
set -e
need=
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
PACKAGES="cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  wine wine32:i386 wine64 xvfb xauth x11-utils xdotool imagemagick googletest
  python3 x11-xserver-utils locales flock $*"
for p in $PACKAGES; do
  case $p in flock) command -v flock >/dev/null || need="$need util-linux" ;;
    *) have "$p" || need="$need $p" ;;
  esac
done
[ -z "$need" ] && exit 0
echo "installing:$need"
SUDO=; [ "$(id -u)" -ne 0 ] && SUDO=sudo
dpkg --print-foreign-architectures | grep -q i386 || $SUDO dpkg --add-architecture i386
# A mirror caught mid-sync may fail one index (seen: the i386 security
# one); the amd64 libraries then stand ahead of the i386 ones that Wine's
# 32-bit half needs, and a second try takes both from the release itself.
$SUDO apt-get update -qq || true
install() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" $need; }
install || install -t bookworm
