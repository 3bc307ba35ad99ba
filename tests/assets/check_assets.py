#!/usr/bin/env python3
"""Check the generated cursors, icons, bitmaps and sound.

    check_assets.py [GENERATOR ART_DIR]

Runs the generator into a scratch folder and parses every output with
struct, independently of the generator's own code, so a bug shared by the
writer and the checker cannot hide.  Exits non-zero if anything fails.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

VGA = [0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
       0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]

passed = failed = 0


def check(name, ok, detail=""):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAIL %s %s" % (name, detail))


def run(gen, art_dir, out_dir, *extra):
    return subprocess.run([sys.executable, gen, art_dir, out_dir] + list(extra),
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True)


def read_art(path):
    """Return rows of colour values: int rgb, None for transparent, "inv"."""
    legend, rows, started = {}, [], False
    for line in open(path, encoding="utf-8").read().splitlines():
        if not started:
            if line.startswith("#"):
                continue
            if not line.strip():
                started = bool(legend)
                continue
            char, value = line.split("=")
            value = value.split("#")[0].strip()
            special = {"transparent": None, "invert": "inv"}
            legend[char.strip()] = special[value] if value in special else int(value, 16)
        elif line.strip():
            rows.append([legend[c] for c in line.rstrip()])
    return rows


def unpack_rows(data, offset, width, height, bpp):
    """Decode bottom-up, 4-byte padded DIB rows into top-down index rows."""
    stride = (width * bpp + 31) // 32 * 4
    rows = []
    for r in range(height):
        line = data[offset + r * stride: offset + (r + 1) * stride]
        row = []
        for x in range(width):
            bit = x * bpp
            row.append((line[bit // 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1))
        rows.append(row)
    return rows[::-1], offset + stride * height


def palette(data, offset, count):
    return [struct.unpack_from("<I", data, offset + 4 * i)[0] & 0xFFFFFF for i in range(count)]


def parse_icon(data):
    """-> dict of directory and header fields plus decoded XOR/AND rows."""
    res, kind, count = struct.unpack_from("<HHH", data, 0)
    w, h, colours, _, planes_x, bits_y, size, off = struct.unpack_from("<BBBBHHII", data, 6)
    hdr = struct.unpack_from("<IiiHHIIiiII", data, off)
    bpp = hdr[4]
    pal = palette(data, off + hdr[0], 1 << bpp)
    xor, pos = unpack_rows(data, off + hdr[0] + 4 * len(pal), hdr[1], hdr[2] // 2, bpp)
    mask, pos = unpack_rows(data, pos, hdr[1], hdr[2] // 2, 1)
    return dict(kind=kind, count=count, w=w, h=h, colours=colours, x=planes_x, y=bits_y,
                size=size, off=off, bi_w=hdr[1], bi_h=hdr[2], bpp=bpp, palette=pal,
                xor=xor, mask=mask, end=pos)


def parse_bmp(data):
    magic, fsize, _, _, off = struct.unpack_from("<2sIHHI", data, 0)
    hdr = struct.unpack_from("<IiiHHIIiiII", data, 14)
    bpp, used = hdr[4], hdr[9]
    rows, end = unpack_rows(data, off, hdr[1], hdr[2], bpp)
    return dict(magic=magic, fsize=fsize, off=off, w=hdr[1], h=hdr[2], bpp=bpp,
                compression=hdr[5], used=used, palette=palette(data, 54, used),
                rows=rows, end=end)


# name, kind (1 icon / 2 cursor), size, bpp, directory colours, hot spot or planes/bpp
ICONS = [
    ("fishleft.cur", 2, 32, 1, 2, (0, 0)),
    ("fishright.cur", 2, 32, 1, 2, (0, 0)),
    ("kelp.ico", 1, 32, 4, 16, (1, 4)),
    ("barrel.ico", 1, 32, 4, 16, (1, 4)),
    ("sadface.ico", 1, 32, 4, 16, (1, 4)),
]

# name, width, height, bpp, palette entries written
BITMAPS = [
    ("config.bmp", 65, 60, 8, 256),
    ("file.bmp", 13, 13, 4, 16),
    ("folder.bmp", 17, 15, 8, 256),
    ("folder_mask.bmp", 17, 15, 1, 2),
    ("harddisk.bmp", 18, 17, 4, 16),
    ("harddisk_mask.bmp", 18, 17, 1, 2),
    ("cdrom.bmp", 18, 17, 4, 16),
    ("cdrom_mask.bmp", 18, 17, 1, 2),
    ("diskette.bmp", 18, 17, 4, 16),
    ("diskette_mask.bmp", 18, 17, 1, 2),
]

# picture, its mask (None when opaque), the art it is drawn from
MASKED = [
    ("folder.bmp", "folder_mask.bmp", "folder.txt"),
    ("harddisk.bmp", "harddisk_mask.bmp", "harddisk.txt"),
    ("cdrom.bmp", "cdrom_mask.bmp", "cdrom.txt"),
    ("diskette.bmp", "diskette_mask.bmp", "diskette.txt"),
    ("file.bmp", None, "file.txt"),
]

ICON_ART = [("kelp.ico", "icon_kelp.txt"), ("barrel.ico", "icon_barrel.txt"),
            ("sadface.ico", "icon_sadface.txt")]

WAV_SAMPLES = 20239


def check_icons(out):
    for name, kind, size, bpp, colours, spot in ICONS:
        data = out[name]
        ico = parse_icon(data)
        expect = dict(kind=kind, count=1, w=size, h=size, colours=colours, bi_w=size,
                      bi_h=2 * size, bpp=bpp, off=22, size=len(data) - 22, end=len(data))
        for field, value in expect.items():
            check("%s %s" % (name, field), ico[field] == value, "%r != %r" % (ico[field], value))
        check(name + " hot spot/planes", (ico["x"], ico["y"]) == spot, (ico["x"], ico["y"]))
        want_pal = [0x000000, 0xFFFFFF] if bpp == 1 else VGA
        check(name + " palette", ico["palette"] == want_pal)


def check_icon_pixels(out, art_dir):
    for name, art_name in ICON_ART:
        ico = parse_icon(out[name])
        art = read_art(os.path.join(art_dir, art_name))
        bad = [(x, y) for y, row in enumerate(art) for x, c in enumerate(row)
               if ico["mask"][y][x] != (c is None)
               or (c is not None and ico["palette"][ico["xor"][y][x]] != c)
               or (c is None and ico["xor"][y][x] != 0)]
        check(name + " pixels match art (rows not flipped, mask exact)", not bad, bad[:3])

    # Cursor: AND/XOR pairs decode to transparent, black, white or inverted.
    left = parse_icon(out["fishleft.cur"])
    art = read_art(os.path.join(art_dir, "fish_cursor.txt"))
    shown = {(1, 0): None, (0, 0): 0x000000, (0, 1): 0xFFFFFF}
    bad = [(x, y) for y, row in enumerate(art) for x, c in enumerate(row)
           if shown.get((left["mask"][y][x], left["xor"][y][x]), "inv") != c]
    check("fishleft.cur pixels match art", not bad, bad[:3])
    right = parse_icon(out["fishright.cur"])
    for plane in ("xor", "mask"):
        check("fishright.cur %s is the mirror of fishleft" % plane,
              right[plane] == [row[::-1] for row in left[plane]])
    check("fishright.cur differs from fishleft", right["xor"] != left["xor"])


def check_bitmaps(out, art_dir):
    for name, w, h, bpp, used in BITMAPS:
        data = out[name]
        bmp = parse_bmp(data)
        stride = (w * bpp + 31) // 32 * 4
        expect = dict(magic=b"BM", fsize=len(data), w=w, h=h, bpp=bpp, compression=0,
                      used=used, off=54 + 4 * used, end=len(data))
        for field, value in expect.items():
            check("%s %s" % (name, field), bmp[field] == value, "%r != %r" % (bmp[field], value))
        check(name + " size", len(data) == 54 + 4 * used + stride * h, len(data))
        if bpp == 4:
            check(name + " palette", bmp["palette"] == VGA)
        if bpp == 1:
            check(name + " palette", bmp["palette"] == [0x000000, 0xFFFFFF])

    for image, mask, art_name in MASKED:
        art = read_art(os.path.join(art_dir, art_name))
        img = parse_bmp(out[image])
        colours = [[img["palette"][i] for i in row] for row in img["rows"]]
        shape = [[c is not None for c in row] for row in art]
        bad = [(x, y) for y, row in enumerate(art) for x, c in enumerate(row)
               if colours[y][x] != (0 if c is None else c)]
        check(image + " pixels match art, black outside the shape", not bad, bad[:3])
        if mask:
            m = parse_bmp(out[mask])["rows"]
            check(mask + " black exactly on the shape",
                  [[v == 0 for v in row] for row in m] == shape)
            check(mask + " has both shape and background",
                  any(v == 0 for r in m for v in r) and any(v == 1 for r in m for v in r))
        else:
            check(image + " is opaque", all(all(r) for r in shape))

    scene = parse_bmp(out["config.bmp"])
    distinct = {c for row in scene["rows"] for c in row}
    check("config.bmp is a picture, not a flat fill", len(distinct) > 20, len(distinct))


def check_wav(data):
    riff, riff_size, wave = struct.unpack_from("<4sI4s", data, 0)
    fmt_id, fmt_size, tag, chans, rate, byte_rate, align, bits = struct.unpack_from(
        "<4sIHHIIHH", data, 12)
    data_id, data_size = struct.unpack_from("<4sI", data, 36)
    fields = [
        ("RIFF tag", riff, b"RIFF"), ("WAVE tag", wave, b"WAVE"), ("fmt tag", fmt_id, b"fmt "),
        ("fmt size", fmt_size, 16), ("PCM", tag, 1), ("mono", chans, 1), ("rate", rate, 8000),
        ("byte rate", byte_rate, 8000), ("block align", align, 1), ("8-bit", bits, 8),
        ("data tag", data_id, b"data"), ("sample count", data_size, WAV_SAMPLES),
        # The odd data chunk is followed by a pad byte that the RIFF size counts.
        ("RIFF size", riff_size, 4 + 24 + 8 + WAV_SAMPLES + 1),
        ("file size", len(data), 8 + riff_size),
        ("pad byte", data[-1:], b"\0"),
    ]
    for name, got, want in fields:
        check("bubbles.wav " + name, got == want, "%r != %r" % (got, want))
    samples = data[44:44 + WAV_SAMPLES]
    check("bubbles.wav never clips", 0 < min(samples) and max(samples) < 255,
          (min(samples), max(samples)))
    check("bubbles.wav is audible", max(samples) - min(samples) > 100,
          (min(samples), max(samples)))
    # A loop point away from the midline clicks on every repeat.
    check("bubbles.wav loop edges at rest",
          all(abs(s - 128) <= 2 for s in samples[:4] + samples[-4:]))


def punch_hole(text):
    legend, rows = text.split("\n\n", 1)
    return legend + "\n. = transparent\n\n." + rows[1:]


def check_bad_art(gen, art_dir, scratch):
    """Broken sources must stop the build rather than ship a wrong picture."""
    cases = [
        ("icon colour outside VGA", "icon_kelp.txt", lambda t: t.replace("= 0000ff", "= 0000fe")),
        ("pixel not in legend", "folder.txt", lambda t: t.rstrip("\n")[:-1] + "@\n"),
        ("wrong size", "harddisk.txt", lambda t: t + "." * 18 + "\n"),
        ("ragged row", "cdrom.txt", lambda t: t.rstrip("\n") + ".\n"),
        ("colour in a monochrome cursor", "fish_cursor.txt",
         lambda t: t.replace("W = ffffff", "W = fffffe")),
        ("hole in the opaque paper", "file.txt", punch_hole),
    ]
    for name, art_name, mutate in cases:
        bad_dir = os.path.join(scratch, "bad")
        shutil.rmtree(bad_dir, ignore_errors=True)
        shutil.copytree(art_dir, bad_dir)
        path = os.path.join(bad_dir, art_name)
        text = open(path, encoding="utf-8").read()
        with open(path, "w", encoding="utf-8") as f:
            f.write(mutate(text))
        r = run(gen, bad_dir, os.path.join(scratch, "bad_out"))
        check("rejects " + name, r.returncode != 0 and art_name in r.stderr,
              (r.returncode, r.stderr.strip()))


def main(argv):
    gen = argv[1] if len(argv) > 2 else os.path.join(ROOT, "tools", "gen_assets.py")
    art_dir = argv[2] if len(argv) > 2 else os.path.join(ROOT, "resources", "art")
    scratch = tempfile.mkdtemp(prefix="assets_check_")
    try:
        runs = []
        for i in range(2):
            out_dir = os.path.join(scratch, "out%d" % i)
            start = time.time()
            r = run(gen, art_dir, out_dir, "--png")
            elapsed = time.time() - start
            check("generator run %d succeeds" % i, r.returncode == 0, r.stderr)
            check("generator run %d is quick" % i, elapsed < 2.0, "%.2f s" % elapsed)
            runs.append({n: open(os.path.join(out_dir, n), "rb").read()
                         for n in sorted(os.listdir(out_dir))} if r.returncode == 0 else {})
        out = runs[0]
        wanted = [n for n, *_ in ICONS] + [n for n, *_ in BITMAPS] + ["bubbles.wav"]
        missing = [n for n in wanted if n not in out]
        check("all files written", not missing, missing)
        check("two runs give identical bytes", runs[0] == runs[1] and bool(out))
        pngs = [n for n in out if n.endswith(".png")]
        check("--png previews written and valid",
              len(pngs) == len(wanted) - 1 and all(out[n][:8] == b"\x89PNG\r\n\x1a\n" for n in pngs),
              len(pngs))
        if not missing:
            check_icons(out)
            check_icon_pixels(out, art_dir)
            check_bitmaps(out, art_dir)
            check_wav(out["bubbles.wav"])
        check_bad_art(gen, art_dir, scratch)
        usage = subprocess.run([sys.executable, gen], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
        check("usage error without arguments", usage.returncode == 2)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
