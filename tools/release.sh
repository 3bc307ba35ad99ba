#!/bin/bash
# Builds the installer for i686 and x86_64 twice, each time from its own
# copy of the committed sources in a fresh folder (the two at different
# paths), checks that both builds are byte for byte the same, and writes
# dist/kelpVole99-<version>-<arch>.zip (the installer and docs/install.txt,
# ending with the commit built)
# and dist/SHA256SUMS, the zips' sums as `sha256sum -c` reads them.  It
# prints each file's sum from both builds.  Uncommitted changes are not part of a release.
#
# It then writes winget manifests for the two zips to dist/winget/, in the
# multi-file form winget-pkgs takes (zUb.kelpVole99.yaml, .installer.yaml,
# .locale.en-US.yaml), and checks them (check_winget below); a mismatch fails
# the release.  The zips' download address is $KELP_RELEASE_URL followed by
# the zip's name; unset, it is https://example.invalid/kelpVole99/, a
# placeholder that never resolves (.invalid is reserved): set it to where the
# zips will be published before handing the manifests on.
#
# `tools/release.sh --check` builds nothing and only checks dist/ as it stands
# against HEAD, e.g. after editing a manifest by hand.
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
# of the commit built, as everything else in the release
version=$(git show HEAD:resources/kelpVole99.rc |
  sed -n 's/^FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2\3/p')
[ -n "$version" ] || { echo "no FILEVERSION in resources/kelpVole99.rc"; exit 1; }
# The newest manifest schema the winget-pkgs validation accepts (1.28.0 is
# published, but submissions declaring it are turned back there).
manifest_version=1.12.0
release_url=${KELP_RELEASE_URL:-https://example.invalid/kelpVole99/}

# What setup writes into the install record, as setup/register.cpp gives it:
# the text stored under the value name $1 (one of common/record.h's).
record_value() {
  local values
  values=$(git show HEAD:setup/register.cpp |
    sed -n 's/.*\b'"$1"' *, *"\([^"]*\)".*/\1/p' | sort -u)
  if [ -z "$values" ] || [ "$(printf '%s\n' "$values" | wc -l)" -ne 1 ]; then
    echo "setup/register.cpp: no single text stored under $1" >&2
    return 1
  fi
  printf '%s\n' "$values"
}

# Checks dist/winget/ against dist/SHA256SUMS, the version and the install
# record setup writes; prints one line per mismatch and fails on any.
check_winget() {
  local name publisher display_version
  name=$(record_value RECORD_DISPLAY_NAME) &&
  publisher=$(record_value RECORD_PUBLISHER) &&
  display_version=$(record_value RECORD_DISPLAY_VERSION) || return 1
  python3 - dist "$version" "$manifest_version" "$name" "$publisher" "$display_version" <<'PY'
import os, re, sys
dist, version, manifest_version, name, publisher, display_version = sys.argv[1:]
ident = "zUb.kelpVole99"
folder = os.path.join(dist, "winget")
problems = []
def problem(text):
    problems.append(text)

class Unreadable(Exception):
    pass

def scalar(text, where):
    if text.startswith("'"):
        if len(text) < 2 or not text.endswith("'") or "'" in text[1:-1].replace("''", ""):
            raise Unreadable(where)
        return text[1:-1].replace("''", "'")
    if text.startswith('"'):
        if len(text) < 2 or not text.endswith('"') or "\\" in text or '"' in text[1:-1]:
            raise Unreadable(where)
        return text[1:-1]
    if text[0] in "[]{}&*!|>%@`" or " #" in text:
        raise Unreadable(where)
    return text

# The part of YAML the manifests are written in: block mappings and
# sequences, one key or item a line, plain or quoted texts.  Anything else
# is reported as unreadable rather than guessed at.
def read_yaml(path):
    lines = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            if "\t" in line or "\r" in line:
                raise Unreadable("%s line %d" % (path, number))
            lines.append([number, len(line) - len(line.lstrip(" ")), line.strip()])
    key_line = re.compile(r"([A-Za-z][A-Za-z0-9]*):(?: +(.*))?$")
    at = 0
    def block(indent):
        nonlocal at
        if lines[at][2].startswith("-"):
            items = []
            while at < len(lines) and lines[at][1] == indent and lines[at][2].startswith("-"):
                number, _, text = lines[at]
                rest = text[1:].lstrip(" ")
                if not rest or rest == text[1:]:
                    raise Unreadable("%s line %d" % (path, number))
                if key_line.match(rest):
                    lines[at] = [number, indent + len(text) - len(rest), rest]
                    items.append(block(lines[at][1]))
                else:
                    items.append(scalar(rest, "%s line %d" % (path, number)))
                    at += 1
            return items
        mapping = {}
        while at < len(lines) and lines[at][1] == indent and not lines[at][2].startswith("-"):
            number, _, text = lines[at]
            match = key_line.match(text)
            if not match or match.group(1) in mapping:
                raise Unreadable("%s line %d" % (path, number))
            at += 1
            key, value = match.group(1), match.group(2)
            if value:
                mapping[key] = scalar(value, "%s line %d" % (path, number))
            elif at < len(lines) and (lines[at][1] > indent
                                      or (lines[at][1] == indent and lines[at][2].startswith("-"))):
                mapping[key] = block(lines[at][1])
            else:
                mapping[key] = None
        return mapping
    if not lines:
        raise Unreadable(path)
    result = block(lines[0][1])
    if at != len(lines):
        raise Unreadable("%s line %d" % (path, lines[at][0]))
    return result

sums = {}
try:
    with open(os.path.join(dist, "SHA256SUMS")) as f:
        for line in f:
            fields = line.split()
            if len(fields) == 2:
                sums[fields[1].lstrip("*")] = fields[0].lower()
except OSError as error:
    problem("dist/SHA256SUMS: %s" % error.strerror)

zips = {"x86": "kelpVole99-%s-i686.zip" % version, "x64": "kelpVole99-%s-x86_64.zip" % version}
manifests = {}
for kind, file in (("version", ident + ".yaml"), ("installer", ident + ".installer.yaml"),
                   ("defaultLocale", ident + ".locale.en-US.yaml")):
    path = os.path.join(folder, file)
    try:
        manifests[kind] = read_yaml(path)
    except OSError as error:
        problem("%s: %s" % (path, error.strerror))
        continue
    except Unreadable as where:
        problem("%s: not the YAML this check reads" % where)
        continue
    m = manifests[kind]
    for key, want in (("PackageIdentifier", ident), ("PackageVersion", version),
                      ("ManifestType", kind), ("ManifestVersion", manifest_version)):
        if m.get(key) != want:
            problem("%s: %s is %r, not %r" % (path, key, m.get(key), want))
for file in sorted(os.listdir(folder)) if os.path.isdir(folder) else ():
    if file not in (ident + ".yaml", ident + ".installer.yaml", ident + ".locale.en-US.yaml"):
        problem("%s: a file the release does not write" % os.path.join(folder, file))

if display_version != version:
    problem("setup/register.cpp records DisplayVersion %r but the release is %r"
            % (display_version, version))

m = manifests.get("version")
if m and m.get("DefaultLocale") != "en-US":
    problem("%s: DefaultLocale is %r, not 'en-US'"
            % (os.path.join(folder, ident + ".yaml"), m.get("DefaultLocale")))
m = manifests.get("defaultLocale")
if m:
    file = os.path.join(folder, ident + ".locale.en-US.yaml")
    if m.get("PackageLocale") != "en-US":
        problem("%s: PackageLocale is %r, not 'en-US'" % (file, m.get("PackageLocale")))
    for key, want in (("Publisher", publisher), ("PackageName", name)):
        if m.get(key) != want:
            problem("%s: %s is %r, setup records %r" % (file, key, m.get(key), want))

m = manifests.get("installer")
if m:
    file = os.path.join(folder, ident + ".installer.yaml")
    installers = m.get("Installers")
    if not isinstance(installers, list) or not all(isinstance(i, dict) for i in installers):
        problem("%s: no list of installers" % file)
        installers = []
    seen = set()
    for number, own in enumerate(installers, 1):
        # an installer's own keys stand in for the manifest's root ones
        installer = {k: v for k, v in m.items() if k != "Installers"}
        installer.update(own)
        arch, scope = installer.get("Architecture"), installer.get("Scope")
        where = "%s: installer %d (%s, %s)" % (file, number, arch, scope)
        if arch not in zips or scope not in ("user", "machine") or (arch, scope) in seen:
            problem("%s: not one of x86 and x64 each for user and machine, once" % where)
            continue
        seen.add((arch, scope))
        url = installer.get("InstallerUrl") or ""
        if not re.match(r"https?://.", url) or url.rsplit("/", 1)[-1] != zips[arch]:
            problem("%s: InstallerUrl %r does not end in %s" % (where, url, zips[arch]))
        sha = (installer.get("InstallerSha256") or "").lower()
        if zips[arch] not in sums:
            problem("%s: dist/SHA256SUMS has no line for %s" % (where, zips[arch]))
        elif sha != sums[zips[arch]]:
            problem("%s: InstallerSha256 %s is not %s's sum in dist/SHA256SUMS, %s"
                    % (where, sha.upper(), zips[arch], sums[zips[arch]].upper()))
        switches = installer.get("InstallerSwitches") or {}
        want = "/CURRENTUSER" if scope == "user" else "/ALLUSERS"
        if switches.get("Custom") != want:
            problem("%s: Custom switch is %r, not %r" % (where, switches.get("Custom"), want))
        entries = installer.get("AppsAndFeaturesEntries")
        if not isinstance(entries, list) or not entries:
            problem("%s: no AppsAndFeaturesEntries" % where)
            continue
        for entry in entries:
            if not isinstance(entry, dict):
                problem("%s: an AppsAndFeaturesEntries item is not a mapping" % where)
                continue
            for key, want in (("DisplayName", name), ("Publisher", publisher),
                              ("DisplayVersion", display_version)):
                if entry.get(key) != want:
                    problem("%s: AppsAndFeaturesEntries %s is %r, setup records %r"
                            % (where, key, entry.get(key), want))
    for arch in zips:
        for scope in ("user", "machine"):
            if installers and (arch, scope) not in seen:
                problem("%s: no installer for %s, %s" % (file, arch, scope))

for text in problems:
    print("winget check: " + text)
if problems:
    sys.exit(1)
print("winget check: dist/winget/ agrees with dist/SHA256SUMS, version %s and the install "
      "record (%s, %s, %s)" % (version, name, publisher, display_version))
PY
}

if [ "$1" = --check ]; then
  (cd dist 2>/dev/null && sha256sum --quiet -c SHA256SUMS) ||
    { echo "dist/SHA256SUMS does not match the zips"; exit 1; }
  check_winget
  exit
fi

tools/deps.sh || exit 1
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "note: uncommitted changes are left out; the release is of $(git rev-parse --short HEAD)"
stamp=$(git log -1 --format=%ct HEAD)
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

for copy in one two/elsewhere; do
  mkdir -p "$work/$copy/src" && git archive HEAD | tar -x -C "$work/$copy/src" || exit 1
done
failed=0
mkdir -p dist
rm -rf dist/SHA256SUMS dist/winget
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

# The winget manifests: both zips, each for a user and for the machine; the
# texts the install record holds taken from setup's source.
name=$(record_value RECORD_DISPLAY_NAME) &&
publisher=$(record_value RECORD_PUBLISHER) &&
display_version=$(record_value RECORD_DISPLAY_VERSION) || exit 1
[ -n "$KELP_RELEASE_URL" ] ||
  echo "note: KELP_RELEASE_URL is not set; the manifests point to the placeholder $release_url"
mkdir -p dist/winget
python3 - dist "$version" "$manifest_version" "$release_url" "$name" "$publisher" \
  "$display_version" <<'PY' || exit 1
import hashlib, os, re, sys
dist, version, manifest_version, base, name, publisher, display_version = sys.argv[1:]
ident = "zUb.kelpVole99"
if not re.match(r"https?://.", base):
    sys.exit("KELP_RELEASE_URL must be an http or https address, not %r" % base)
if not base.endswith("/"):
    base += "/"

# A text as YAML reads it back: plain where that is safe, else single-quoted.
def q(text):
    if (re.match(r"[A-Za-z/]", text) and ": " not in text and " #" not in text
            and not text.endswith(":") and text == text.strip()
            and text.lower() not in ("y", "n", "yes", "no", "on", "off", "true", "false", "null")):
        return text
    return "'" + text.replace("'", "''") + "'"

def write(file, kind, body):
    with open(os.path.join(dist, "winget", file), "w", encoding="utf-8", newline="\n") as f:
        f.write("# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json\n\n"
                % (kind, manifest_version))
        f.write(body)
        f.write("ManifestType: %s\nManifestVersion: %s\n" % (kind, manifest_version))

head = "PackageIdentifier: %s\nPackageVersion: %s\n" % (ident, q(version))
write(ident + ".yaml", "version", head + "DefaultLocale: en-US\n")
write(ident + ".locale.en-US.yaml", "defaultLocale", head + """\
PackageLocale: en-US
Publisher: %s
PackageName: %s
License: Freeware
ShortDescription: %s
""" % (q(publisher), q(name), q("A screen saver: the desktop is photographed, coloured water "
                                "rises over it, and under water the mouse cursor becomes a fish.")))

# The installer's exit codes (docs/install.txt), 0 the only success; no restart.
# 3 is also a full disk, but a running saver holding its file is the usual case.
# 4: installed, but neither the record nor the remover may be there to take it off.
# 5: rights asked for and refused, or not to be asked for: no enumerated response
#    says this; a refusal by policy or by the user is what it is.
# 6: installed and removable, only a start-menu link or the saver selection missing.
codes = ((1, "invalidParameter"), (2, "cancelledByUser"), (3, "fileInUse"),
         (4, "contactSupport"), (5, "blockedByPolicy"), (6, "custom"))
installers = ""
for arch, build in (("x86", "i686"), ("x64", "x86_64")):
    zip = "kelpVole99-%s-%s.zip" % (version, build)
    with open(os.path.join(dist, zip), "rb") as f:
        sha = hashlib.sha256(f.read()).hexdigest().upper()
    for scope, switch in (("user", "/CURRENTUSER"), ("machine", "/ALLUSERS")):
        installers += """\
- Architecture: %s
  Scope: %s
  InstallerUrl: %s
  InstallerSha256: %s
  InstallerSwitches:
    Silent: /S
    SilentWithProgress: /S
    InstallLocation: /D=<INSTALLPATH>
    Custom: %s
""" % (arch, scope, q(base + zip), q(sha), switch)
        if scope == "machine":
            # it starts itself again through the consent prompt when it must
            installers += "  ElevationRequirement: elevatesSelf\n"
write(ident + ".installer.yaml", "installer", head + """\
InstallerType: zip
NestedInstallerType: exe
NestedInstallerFiles:
- RelativeFilePath: kelpVole99.exe
InstallModes:
- interactive
- silent
- silentWithProgress
UpgradeBehavior: install
ExpectedReturnCodes:
""" + "".join("- InstallerReturnCode: %d\n  ReturnResponse: %s\n" % code for code in codes) + """\
ProductCode: kelpVole99
AppsAndFeaturesEntries:
- DisplayName: %s
  Publisher: %s
  DisplayVersion: %s
  ProductCode: kelpVole99
Installers:
""" % (q(name), q(publisher), q(display_version)) + installers)
PY
echo "--- dist/winget"
ls dist/winget
check_winget; unchecked=$?
[ "$failed" -eq 0 ] && echo "both builds are the same for both architectures"
exit $((failed | unchecked))
