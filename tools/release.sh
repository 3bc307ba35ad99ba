#!/bin/bash
# Builds the installer for i686 and x86_64 twice, each time from its own
# copy of the committed sources in a fresh folder (the two at different
# paths), checks that both builds are byte for byte the same, and writes
# dist/kelpVole99-<version>-<arch>.zip (the installer and docs/install.txt,
# both from that copy of the commit, the text ending with the commit built)
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

# Checks the manifests in $1/winget/ (dist/winget/ unless given) against the
# published manifest schema's rules, the zips they name, $1/SHA256SUMS, the
# version and the install record setup writes; prints one line per mismatch
# and fails on any.
check_winget() {
  local name publisher display_version
  name=$(record_value RECORD_DISPLAY_NAME) &&
  publisher=$(record_value RECORD_PUBLISHER) &&
  display_version=$(record_value RECORD_DISPLAY_VERSION) || return 1
  python3 - "${1:-dist}" "$version" "$manifest_version" "$name" "$publisher" "$display_version" <<'PY'
import os, re, sys, zipfile
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

# The rules of the published manifest schema (1.12.0) for every field a
# manifest of these three kinds may hold, written from its documentation:
# texts with their lengths and patterns, the enumerations, exit codes
# (whole numbers, not 0), lists and mappings with their required fields.
# Any other field, or a field in the wrong place, is reported too.
def text(least=1, most=None, pattern=None):
    return ("text", least, most, pattern)
def one_of(*values):
    return ("enum", values)
def items(rule, most, unique=True, least=0):
    return ("list", rule, most, unique, least)
def fields(rules, required=()):
    return ("map", rules, required)
def code():
    return ("code",)
def flag():
    return ("flag",)

VERSION_NUMBER = r"(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])"
IDENTIFIER = text(1, 128, r'[^.\s\\/:*?"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?"<>|\x01-\x1f]{1,32}){1,7}')
PACKAGE_VERSION = text(1, 128, r'[^\\/:*?"<>|\x01-\x1f]+')
LOCALE = text(1, 20, r"([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*")
URL = text(1, 2048, r"[Hh][Tt][Tt][Pp][Ss]?://.+")
SHA256 = text(64, 64, r"[A-Fa-f0-9]{64}")
MANIFEST_VERSION = text(1, None, VERSION_NUMBER + r"(\." + VERSION_NUMBER + r"){2}")
INSTALLER_TYPES = ("msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa",
                   "portable", "font")
SWITCH = text(1, 512)
PRODUCT_CODE = text(1, 255)
INSTALLER_FIELDS = {
    "InstallerLocale": LOCALE,
    "Platform": items(one_of("Windows.Desktop", "Windows.Universal"), 2),
    "MinimumOSVersion": text(1, None, VERSION_NUMBER + r"(\." + VERSION_NUMBER + r"){0,3}"),
    "InstallerType": one_of(*INSTALLER_TYPES),
    "NestedInstallerType": one_of(*[t for t in INSTALLER_TYPES if t not in ("zip", "pwa")]),
    "NestedInstallerFiles": items(fields({"RelativeFilePath": text(1, 512),
                                          "PortableCommandAlias": text(1, 40)},
                                         ("RelativeFilePath",)), 1024, False),
    "Scope": one_of("user", "machine"),
    "InstallModes": items(one_of("interactive", "silent", "silentWithProgress"), 3),
    "InstallerSwitches": fields({"Silent": SWITCH, "SilentWithProgress": SWITCH, "Interactive": SWITCH,
                                 "InstallLocation": SWITCH, "Log": SWITCH, "Upgrade": SWITCH,
                                 "Custom": text(1, 2048), "Repair": SWITCH}),
    "InstallerSuccessCodes": items(code(), 16),
    "ExpectedReturnCodes": items(fields({
        "InstallerReturnCode": code(),
        "ReturnResponse": one_of("packageInUse", "packageInUseByApplication", "installInProgress",
                                 "fileInUse", "missingDependency", "diskFull", "insufficientMemory",
                                 "invalidParameter", "noNetwork", "contactSupport",
                                 "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated",
                                 "cancelledByUser", "alreadyInstalled", "downgrade", "blockedByPolicy",
                                 "systemNotSupported", "custom"),
        "ReturnResponseUrl": URL}, ("InstallerReturnCode", "ReturnResponse")), 128, False),
    "UpgradeBehavior": one_of("install", "uninstallPrevious", "deny"),
    "Commands": items(text(1, 40), 16),
    "ProductCode": PRODUCT_CODE,
    "InstallerAbortsTerminal": flag(), "InstallLocationRequired": flag(),
    "RequireExplicitUpgrade": flag(), "DisplayInstallWarnings": flag(),
    "UnsupportedOSArchitectures": items(one_of("x86", "x64", "arm", "arm64"), 4),
    "UnsupportedArguments": items(one_of("log", "location"), 2),
    "AppsAndFeaturesEntries": items(fields({
        "DisplayName": text(1, 256), "Publisher": text(1, 256), "DisplayVersion": text(1, 128),
        "ProductCode": PRODUCT_CODE, "UpgradeCode": PRODUCT_CODE,
        "InstallerType": one_of(*INSTALLER_TYPES)}), 128),
    "ElevationRequirement": one_of("elevationRequired", "elevationProhibited", "elevatesSelf"),
    "RepairBehavior": one_of("modify", "uninstaller", "installer"),
}
HEAD_FIELDS = {"PackageIdentifier": IDENTIFIER, "PackageVersion": PACKAGE_VERSION,
               "ManifestVersion": MANIFEST_VERSION}
HEAD = ("PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion")
SCHEMAS = {
    "version": fields(dict(HEAD_FIELDS, DefaultLocale=LOCALE, ManifestType=one_of("version")),
                      HEAD + ("DefaultLocale",)),
    "defaultLocale": fields(dict(HEAD_FIELDS, ManifestType=one_of("defaultLocale"), PackageLocale=LOCALE,
                                 Publisher=text(2, 256), PackageName=text(2, 256), License=text(3, 512),
                                 ShortDescription=text(3, 256), Description=text(3, 10000),
                                 Author=text(2, 256), Copyright=text(3, 512), PublisherUrl=URL,
                                 PackageUrl=URL, LicenseUrl=URL, Moniker=text(1, 40),
                                 Tags=items(text(1, 40), 16)),
                            HEAD + ("PackageLocale", "Publisher", "PackageName", "License",
                                    "ShortDescription")),
    "installer": fields(dict(HEAD_FIELDS, ManifestType=one_of("installer"), **dict(
        INSTALLER_FIELDS, Installers=items(fields(dict(
            INSTALLER_FIELDS, Architecture=one_of("x86", "x64", "arm", "arm64", "neutral"),
            InstallerUrl=URL, InstallerSha256=SHA256),
            ("Architecture", "InstallerUrl", "InstallerSha256")), 1024, False, 1))),
        HEAD + ("Installers",)),
}

def schema_problems(value, rule, where):
    kind = rule[0]
    if kind == "map":
        if not isinstance(value, dict):
            return ["%s is not a mapping" % (where or "the manifest")]
        below = lambda key: where + "." + key if where else key
        found = ["%s is required" % below(key) for key in rule[2] if value.get(key) is None]
        for key, item in value.items():
            if key not in rule[1]:
                found.append("%s is not a field of the schema here" % below(key))
            elif item is not None:
                found += schema_problems(item, rule[1][key], below(key))
        return found
    if kind == "list":
        if not isinstance(value, list):
            return ["%s is not a list" % where]
        found = []
        if not rule[4] <= len(value) <= rule[2]:
            found.append("%s holds %d items, not %d to %d" % (where, len(value), rule[4], rule[2]))
        if rule[3] and len(set(map(repr, value))) != len(value):
            found.append("%s holds an item twice" % where)
        for number, item in enumerate(value):
            found += schema_problems(item, rule[1], "%s[%d]" % (where, number))
        return found
    if not isinstance(value, str):
        return ["%s is not a single value" % where]
    if kind == "enum":
        return [] if value in rule[1] else ["%s is %r, not one of %s" % (where, value, ", ".join(rule[1]))]
    if kind == "code":
        ok = re.fullmatch(r"-?[0-9]+", value) and -2147483648 <= int(value) <= 4294967295 and int(value) != 0
        return [] if ok else ["%s is %r, not a non-zero exit code" % (where, value)]
    if kind == "flag":
        return [] if value in ("true", "false") else ["%s is %r, not true or false" % (where, value)]
    least, most, pattern = rule[1:]
    if len(value) < least or (most is not None and len(value) > most):
        return ["%s is %d characters long, not %d to %s" % (where, len(value), least, most or "any")]
    if pattern is not None and not re.fullmatch(pattern, value):
        return ["%s is %r, which the schema's pattern does not take" % (where, value)]
    return []

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
    for text_found in schema_problems(m, SCHEMAS[kind], ""):
        problem("%s: %s" % (path, text_found))
    if not isinstance(m, dict):
        continue
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
        if installer.get("InstallerType") is None:
            problem("%s: InstallerType is required, here or for all installers" % where)
        # what winget runs from the zip must be in it
        try:
            with zipfile.ZipFile(os.path.join(dist, zips[arch])) as z:
                inside = set(n.replace("\\", "/") for n in z.namelist())
        except (OSError, zipfile.BadZipFile) as error:
            problem("%s: %s cannot be read: %s" % (where, zips[arch], error))
            inside = None
        nested = installer.get("NestedInstallerFiles")
        for entry in nested if isinstance(nested, list) else ():
            path = entry.get("RelativeFilePath") if isinstance(entry, dict) else None
            if inside is not None and isinstance(path, str) and path.replace("\\", "/") not in inside:
                problem("%s: NestedInstallerFiles RelativeFilePath %r is not in %s" % (where, path, zips[arch]))
        if installer.get("InstallerType") == "zip" and not nested:
            problem("%s: NestedInstallerFiles is required for a zip" % where)
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

# The check itself must catch a manifest broken as a hand or a tool may
# break it: each row a change to the installer manifest (a sed expression)
# and the field the check must name.  Run on a copy of dist/.
check_catches_broken() {
  local row expression field copy out bad=0
  copy=$(mktemp -d) || return 1
  for row in 's/^InstallerType: zip$/InstallerType: zap/|InstallerType' \
             '0,/ReturnResponse: .*/s//ReturnResponse: bogusValue/|ReturnResponse' \
             's/^- RelativeFilePath: .*/- PortableCommandAlias: kelp/|RelativeFilePath' \
             's/^- RelativeFilePath: .*/- RelativeFilePath: setup.exe/|RelativeFilePath' \
             's/^- 6$/- 0/|InstallerSuccessCodes'; do
    expression=${row%|*} field=${row##*|}
    rm -rf "$copy/dist" && cp -r dist "$copy/dist" &&
    sed -i "$expression" "$copy/dist/winget/zUb.kelpVole99.installer.yaml" || { bad=1; continue; }
    if cmp -s dist/winget/zUb.kelpVole99.installer.yaml "$copy/dist/winget/zUb.kelpVole99.installer.yaml"; then
      echo "winget check: the row $expression changes nothing"; bad=1
    elif out=$(check_winget "$copy/dist" 2>&1); then
      echo "winget check: a manifest broken by $expression passes"; bad=1
    elif ! printf '%s\n' "$out" | grep -q "$field"; then
      echo "winget check: a manifest broken by $expression fails without naming $field:"
      printf '%s\n' "$out"; bad=1
    fi
  done
  rm -rf "$copy"
  [ $bad -eq 0 ] && echo "winget check: it fails each of 5 broken manifests, naming the field"
  return $bad
}

if [ "$1" = --check ]; then
  (cd dist 2>/dev/null && sha256sum --quiet -c SHA256SUMS) ||
    { echo "dist/SHA256SUMS does not match the zips"; exit 1; }
  check_winget || exit 1
  check_catches_broken
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
  python3 - "$work/one/src/build-$arch/bin/kelpVole99.exe" "$work/one/src/docs/install.txt" "dist/$zip" "$stamp" \
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

# The installer's exit codes (docs/install.txt); no restart.
# 3 is also a full disk, but a running saver holding its file is the usual case.
# 4: installed, but neither the record nor the remover may be there to take it off.
# 5: rights asked for and refused, or none to give: no enumerated response
#    says this; a refusal by policy or by the user is what it is.
# 6: installed and removable, only a start-menu link, the saver selection or a
#    detail of the program list's entry missing: a success, as winget should report it.
# 7: nothing done, setup's dialog or its copy asking for rights not started.
success_codes = (6,)
codes = ((1, "invalidParameter"), (2, "cancelledByUser"), (3, "fileInUse"),
         (4, "contactSupport"), (5, "blockedByPolicy"), (7, "contactSupport"))
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
InstallerSuccessCodes:
""" + "".join("- %d\n" % c for c in success_codes) + """\
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
check_winget && check_catches_broken; unchecked=$?
[ "$failed" -eq 0 ] && echo "both builds are the same for both architectures"
exit $((failed | unchecked))
