#!/bin/bash
# Builds the installer for i686 and x86_64 twice, each time from its own
# copy of the committed sources in a fresh folder (the two at different
# paths), checks that both builds are byte for byte the same, and writes
# dist/kelpVole99-<version>-<arch>.zip (the installer and docs/install.txt,
# ending with the commit built)
# and dist/SHA256SUMS, the zips' sums as `sha256sum -c` reads them.  It
# prints each file's sum from both builds.  Uncommitted changes are not part of a release.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
tools/deps.sh || exit 1
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "note: uncommitted changes are left out; the release is of $(git rev-parse --short HEAD)"
version=$(sed -n 's/^FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2\3/p' resources/kelpVole99.rc)
stamp=$(git log -1 --format=%ct HEAD)
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

for copy in one two/elsewhere; do
  mkdir -p "$work/$copy/src" && git archive HEAD | tar -x -C "$work/$copy/src" || exit 1
done
failed=0
mkdir -p dist
rm -f dist/SHA256SUMS
for arch in i686 x86_64; do
  for copy in one two/elsewhere; do
    src=$work/$copy/src
    cmake -S "$src" -B "$src/build-$arch" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$arch.cmake \
      -DKELP_TESTS=OFF >/dev/null &&
    cmake --build "$src/build-$arch" -j"$(nproc)" --target kelpVole99 >/dev/null || exit 1
  done
  for file in kelpVole99.exe zUbSavRemov_1_51.exe; do
    a=$work/one/src/build-$arch/bin/$file b=$work/two/elsewhere/src/build-$arch/bin/$file
    echo "$arch $file: $(sha256sum < "$a" | cut -d' ' -f1) $(sha256sum < "$b" | cut -d' ' -f1)"
    cmp -s "$a" "$b" || { echo "  the two builds differ"; failed=1; }
  done
  zip=kelpVole99-$version-$arch.zip
  # entries dated by the commit, in a fixed order, texts with CR LF
  python3 - "$work/one/src/build-$arch/bin/kelpVole99.exe" docs/install.txt "dist/$zip" "$stamp" \
    "$(git rev-parse HEAD)" <<'PY' || exit 1
import sys, time, zipfile
exe, text, out, stamp, commit = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5]
when = time.gmtime(stamp)[:6]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in (("kelpVole99.exe", open(exe, "rb").read()),
                       ("install.txt", (open(text, "rb").read() + b"\nBuilt from commit %s.\n"
                                        % commit.encode()).replace(b"\n", b"\r\n"))):
        entry = zipfile.ZipInfo(name, when)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.external_attr = 0o644 << 16
        z.writestr(entry, data)
PY
  (cd dist && sha256sum "$zip") >> dist/SHA256SUMS
done
echo "--- dist/SHA256SUMS"
cat dist/SHA256SUMS
[ "$failed" -eq 0 ] && echo "both builds are the same for both architectures"
exit $failed
