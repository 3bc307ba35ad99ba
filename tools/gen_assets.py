#!/usr/bin/env python3
"""Build the screen saver's cursors, icons, bitmaps and bubble sound.

    gen_assets.py ART_DIR OUT_DIR [--png]

Every picture comes from a pixel-art text file in ART_DIR: a legend of
"C = rrggbb" / "C = transparent" / "C = invert" lines, a blank line, then
one character per pixel.  Keeping the art as text means it diffs and
reviews like code, and the build never depends on an image editor.

--png also writes an 8x enlarged PNG of every picture, because nobody
can judge pixel art from a hex dump.

Output must be byte-for-byte reproducible, so nothing here reads the
clock or the `random` module.
"""

import math
import os
import struct
import sys
import zlib

TRANSPARENT = "transparent"
INVERT = "invert"

# The standard 16-colour VGA palette, in palette-index order.  Icons and the
# 4 bpp bitmaps use it verbatim so they look right on a 16-colour display.
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK = (0, 0, 0)
WHITE = (0xFF, 0xFF, 0xFF)

# Colour shown behind transparent pixels in the previews: the classic
# teal desktop, which is what the cursor and icons will mostly sit on.
PREVIEW_DESKTOP = (0x00, 0x80, 0x80)
PREVIEW_SCALE = 8


class ArtError(Exception):
    pass


# --------------------------------------------------------------------------
# Pixel-art sources


class Art:
    """A grid of pixels, each an (r, g, b) tuple, TRANSPARENT or INVERT."""

    def __init__(self, name, pixels):
        self.name = name
        self.pixels = pixels
        self.height = len(pixels)
        self.width = len(pixels[0]) if pixels else 0

    def mirrored(self):
        return Art(self.name + " (mirrored)", [row[::-1] for row in self.pixels])

    def in_shape(self, x, y):
        return self.pixels[y][x] != TRANSPARENT

    def check_size(self, width, height):
        if (self.width, self.height) != (width, height):
            raise ArtError("%s is %dx%d, expected %dx%d"
                           % (self.name, self.width, self.height, width, height))


def parse_art(text, name="<art>"):
    legend = {}
    rows = []
    in_rows = False
    for lineno, raw in enumerate(text.splitlines(), 1):
        line = raw.rstrip()
        if not in_rows:
            if not line or line.startswith("#"):
                # The first blank line after the legend starts the picture.
                if not line and legend:
                    in_rows = True
                continue
            char, sep, value = line.partition("=")
            char = char.strip()
            value = value.split("#")[0].strip().lower()
            if not sep or len(char) != 1:
                raise ArtError("%s:%d: expected 'C = colour'" % (name, lineno))
            if char in legend:
                raise ArtError("%s:%d: %r defined twice" % (name, lineno, char))
            if value in (TRANSPARENT, INVERT):
                legend[char] = value
            elif len(value) == 6 and all(c in "0123456789abcdef" for c in value):
                legend[char] = tuple(int(value[i:i + 2], 16) for i in (0, 2, 4))
            else:
                raise ArtError("%s:%d: bad colour %r" % (name, lineno, value))
        elif line:
            row = []
            for col, char in enumerate(line):
                if char not in legend:
                    raise ArtError("%s:%d:%d: %r is not in the legend"
                                   % (name, lineno, col + 1, char))
                row.append(legend[char])
            rows.append(row)
    if not rows:
        raise ArtError("%s: no pixels" % name)
    if any(len(r) != len(rows[0]) for r in rows):
        raise ArtError("%s: rows differ in length" % name)
    return Art(name, rows)


def load_art(art_dir, filename, width, height):
    path = os.path.join(art_dir, filename)
    with open(path, encoding="utf-8") as f:
        art = parse_art(f.read(), filename)
    art.check_size(width, height)
    return art


# --------------------------------------------------------------------------
# Bit packing shared by every Windows bitmap format


def pack_rows(rows, bpp):
    """Pack top-down rows of palette indices into bottom-up DIB rows,
    each padded to a 4-byte boundary as GDI expects."""
    out = bytearray()
    per_byte = 8 // bpp
    for row in reversed(rows):
        line = bytearray()
        for i in range(0, len(row), per_byte):
            byte = 0
            for j in range(per_byte):
                value = row[i + j] if i + j < len(row) else 0
                byte |= value << (8 - bpp * (j + 1))
            line.append(byte)
        line.extend(b"\0" * (-len(line) % 4))
        out += line
    return bytes(out)


def info_header(width, height, bpp, image_size, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_size, 0, 0, colours_used, 0)


def palette_bytes(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)


def vga_index(art, p, x, y):
    if p in VGA:
        return VGA.index(p)
    what = p if p == INVERT else "colour %02x%02x%02x" % p
    raise ArtError("%s: pixel (%d,%d): %s is not one of the 16 VGA colours"
                   % (art.name, x, y, what))


# --------------------------------------------------------------------------
# Cursors and icons


# (XOR bit, AND bit) per cursor pixel.  AND=1 keeps the screen; XOR then
# leaves it alone or inverts it.
CURSOR_BITS = {TRANSPARENT: (0, 1), INVERT: (1, 1), BLACK: (0, 0), WHITE: (1, 0)}


def cursor_bytes(art, hot_x=0, hot_y=0):
    xor_rows, and_rows = [], []
    for row in art.pixels:
        try:
            bits = [CURSOR_BITS[p] for p in row]
        except KeyError:
            raise ArtError("%s: a monochrome cursor has only black, white, "
                           "transparent and invert" % art.name)
        xor_rows.append([b[0] for b in bits])
        and_rows.append([b[1] for b in bits])
    bits = pack_rows(xor_rows, 1) + pack_rows(and_rows, 1)
    image = (info_header(art.width, art.height * 2, 1, len(bits), 2)
             + palette_bytes([BLACK, WHITE]) + bits)
    return icon_dir(2, art.width, art.height, 2, hot_x, hot_y, image)


def icon_bytes(art):
    colour_rows, and_rows = [], []
    for y, row in enumerate(art.pixels):
        colour_rows.append([0 if p == TRANSPARENT else vga_index(art, p, x, y)
                            for x, p in enumerate(row)])
        and_rows.append([1 if p == TRANSPARENT else 0 for p in row])
    bits = pack_rows(colour_rows, 4) + pack_rows(and_rows, 1)
    image = (info_header(art.width, art.height * 2, 4, len(bits), 16)
             + palette_bytes(VGA) + bits)
    return icon_dir(1, art.width, art.height, 16, 1, 4, image)


def icon_dir(kind, width, height, colours, planes_or_x, bits_or_y, image):
    # For cursors the planes/bit-count fields of the directory hold the hot spot.
    header = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, colours % 256, 0,
                        planes_or_x, bits_or_y, len(image), 6 + 16)
    return header + entry + image


# --------------------------------------------------------------------------
# Bitmaps


def bmp_bytes(rows, bpp, palette):
    width, height = len(rows[0]), len(rows)
    bits = pack_rows(rows, bpp)
    pal = palette_bytes(palette)
    offset = 14 + 40 + len(pal)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return file_header + info_header(width, height, bpp, len(bits), len(palette)) + pal + bits


def vga_bitmap(art):
    """4 bpp bitmap; transparent pixels become black so a mask can cut them out."""
    rows = [[0 if p == TRANSPARENT else vga_index(art, p, x, y)
             for x, p in enumerate(row)] for y, row in enumerate(art.pixels)]
    return bmp_bytes(rows, 4, VGA)


def rgb_bitmap(pixels):
    """8 bpp bitmap with a palette built from the colours used, black first so
    the background of masked images is index 0 like in the 4 bpp ones."""
    palette = [BLACK]
    index = {BLACK: 0}
    rows = []
    for row in pixels:
        out = []
        for p in row:
            if p == TRANSPARENT:
                p = BLACK
            elif p == INVERT:
                raise ArtError("a bitmap cannot invert the screen")
            if p not in index:
                index[p] = len(palette)
                palette.append(p)
            out.append(index[p])
        rows.append(out)
    if len(palette) > 256:
        raise ArtError("picture needs %d colours, 8 bpp holds 256" % len(palette))
    palette += [BLACK] * (256 - len(palette))
    return bmp_bytes(rows, 8, palette)


def mask_bitmap(art):
    """Black where the picture is, white where the background shows through."""
    rows = [[0 if art.in_shape(x, y) else 1 for x in range(art.width)]
            for y in range(art.height)]
    return bmp_bytes(rows, 1, [BLACK, WHITE])


# --------------------------------------------------------------------------
# The configuration dialog's under-water scene

SCENE_W, SCENE_H = 65, 60


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def draw_scene(fish_art, small_fish_art):
    w, h = SCENE_W, SCENE_H
    top, deep = (0x3C, 0xA8, 0xE0), (0x06, 0x22, 0x60)
    # Sixteen bands with a 2x2 ordered dither between them: few enough
    # colours for one palette, and it reads as water rather than as stripes.
    bayer = [[0, 2], [3, 1]]
    img = []
    for y in range(h):
        row = []
        for x in range(w):
            t = (y + bayer[y % 2][x % 2] * 0.9) / (h - 1)
            band = min(15, int(t * 16))
            row.append(lerp(top, deep, band / 15.0))
        img.append(row)

    # Faint slanted shafts of sunlight sell "under water" better than any
    # amount of blue; they fade out before the kelp gets busy.
    for y in range(h):
        for x in range(w):
            for x0 in (10, 30, 47):
                d = x - (x0 + y * 0.35)
                if 0 <= d < 4 and y < 42:
                    fade = 0.16 * (1 - y / 42.0)
                    img[y][x] = lerp(img[y][x], (0xC8, 0xF0, 0xFF), round(fade * 12) / 12.0)

    # A bright ripple line, so the top edge reads as the surface seen from below.
    for x in range(w):
        y = int(round(1.2 + math.sin(x * 0.45) * 1.0))
        img[y][x] = (0xB8, 0xEC, 0xFF)
        img[y + 1][x] = lerp(img[y + 1][x], (0xB8, 0xEC, 0xFF), 0.5)

    # Sand, lumpy and speckled so it does not look like a ruler-drawn floor.
    sand_hi, sand_lo = (0xE0, 0xC8, 0x80), (0xA8, 0x8C, 0x50)
    for x in range(w):
        ground = int(round(54 + math.sin(x * 0.21 + 1.0) * 1.5 + math.sin(x * 0.07) * 1.2))
        for y in range(ground, h):
            shade = sand_hi if y == ground else (sand_lo if (x * 7 + y * 3) % 11 == 0 else
                                                 lerp(sand_hi, sand_lo, 0.45))
            img[y][x] = shade
    for (px, py, col) in ((8, 57, (0x70, 0x68, 0x60)), (40, 58, (0x80, 0x70, 0x58)),
                          (58, 57, (0x68, 0x60, 0x58))):
        img[py][px] = col
        img[py][px + 1] = col

    # Kelp: swaying stalks with blades angled up towards the light.  The far
    # stalks are drawn first in blue-tinted colours so the scene has depth.
    far = ((0x1C, 0x5A, 0x50), (0x26, 0x72, 0x5C), (0x3A, 0x8C, 0x6C))
    near = ((0x1A, 0x66, 0x1A), (0x34, 0x9C, 0x28), (0x84, 0xD4, 0x50))
    bulb = (0xC8, 0xB0, 0x38)
    stalks = ((24, 16, 2.0, far), (44, 14, 0.3, far),
              (5, 8, 0.0, near), (14, 20, 1.9, near), (53, 6, 3.0, near),
              (32, 34, 4.2, near))
    for base_x, top_y, phase, (dark, mid, light) in stalks:
        def stalk_x(y):
            lift = (57 - y) / float(57 - top_y)
            return int(round(base_x + math.sin(y * 0.19 + phase) * 2.4 * lift))
        for y in range(top_y, 57):
            x = stalk_x(y)
            for dx, col in ((0, mid), (1, dark)):
                if 0 <= x + dx < w:
                    img[y][x + dx] = col
        img[top_y - 1][stalk_x(top_y)] = light
        for n, y in enumerate(range(top_y + 3, 52, 6)):
            side = 1 if (n + int(phase * 2)) % 2 else -1
            x = stalk_x(y) + (1 if side > 0 else 0)
            if 0 <= x + side < w:
                img[y][x + side] = bulb
            for k in range(2, 6):
                lx, ly = x + side * k, y - (k + 1) // 2
                if 0 <= lx < w:
                    img[ly][lx] = light
                    if k < 5:
                        img[ly + 1][lx] = mid

    def blit(art, ox, oy):
        for y, row in enumerate(art.pixels):
            for x, p in enumerate(row):
                if p not in (TRANSPARENT, INVERT) and 0 <= ox + x < w and 0 <= oy + y < h:
                    img[oy + y][ox + x] = p

    blit(fish_art, 17, 19)
    blit(small_fish_art.mirrored(), 43, 40)

    # Bubbles rising from the fish's mouth and from the sand: a rim with a
    # glint, hollow inside so the water shows through.
    rim, glint = (0xD8, 0xF4, 0xFF), (0xFF, 0xFF, 0xFF)
    for (bx, by, r) in ((14, 17, 1), (12, 12, 2), (15, 5, 2), (44, 30, 1), (46, 24, 1),
                        (43, 16, 2), (27, 45, 1), (25, 39, 1)):
        if r == 1:
            for dx, dy in ((0, -1), (-1, 0), (1, 0), (0, 1)):
                img[by + dy][bx + dx] = rim
            img[by - 1][bx] = glint
        else:
            for dx in range(-r, r + 1):
                for dy in range(-r, r + 1):
                    d = math.hypot(dx, dy)
                    if r - 0.5 <= d < r + 0.5:
                        img[by + dy][bx + dx] = rim
            img[by - 1][bx - 1] = glint
    return img


# --------------------------------------------------------------------------
# Bubbling-water loop

WAV_RATE = 8000
WAV_SAMPLES = 20239  # ~2.53 s; the program loops it


class Lcg:
    """Numerical Recipes LCG: good enough for noise and reproducible everywhere."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state / 4294967296.0

    def uniform(self, lo, hi):
        return lo + (hi - lo) * self.next()


def synth_bubbles(n=WAV_SAMPLES, rate=WAV_RATE, seed=0x6B656C70):
    rng = Lcg(seed)
    buf = [0.0] * n

    # Soft water rumble: white noise through two one-pole low-passes.  Run
    # the filter over the loop twice and keep the second pass so the end
    # flows into the start with no step.
    noise = [rng.uniform(-1.0, 1.0) for _ in range(n)]
    a = 1.0 - math.exp(-2.0 * math.pi * 260.0 / rate)
    s1 = s2 = 0.0
    for rep in range(2):
        for i in range(n):
            s1 += a * (noise[i] - s1)
            s2 += a * (s1 - s2)
            if rep:
                buf[i] = s2 * 0.45

    # Bubbles: each a decaying sine whose pitch rises as it nears the
    # surface.  Bigger (lower) bubbles are louder and ring longer.  They are
    # written modulo the loop length so the ones straddling the end wrap
    # round to the start.
    t = 0.0
    while t < n / rate:
        t += rng.uniform(0.015, 0.11)
        if rng.next() < 0.18:
            t += rng.uniform(0.05, 0.15)  # occasional pause makes it less mechanical
        f0 = 300.0 * math.exp(rng.next() * math.log(1500.0 / 300.0))
        size = 300.0 / f0
        amp = 0.25 + 0.55 * size * rng.uniform(0.6, 1.0)
        tau = 0.012 + 0.03 * size + rng.uniform(0.0, 0.01)
        rise = rng.uniform(0.5, 1.3) / (tau * 3.0)
        start = int(t * rate)
        phase = 0.0
        for k in range(int(tau * 5 * rate)):
            tt = k / rate
            # Keep the tail of the chirp under Nyquist so it cannot alias.
            freq = min(f0 * (1.0 + rise * tt), 0.45 * rate)
            phase += 2.0 * math.pi * freq / rate
            env = math.exp(-tt / tau) * min(1.0, k / 12.0)
            buf[(start + k) % n] += amp * env * math.sin(phase)

    # Normalise with headroom: 8-bit playback clips harshly.  The short
    # fades at both ends matter when the sound is stopped or started, not
    # for the loop itself, which is already continuous.
    peak = max(abs(v) for v in buf)
    gain = 0.78 / peak
    fade = int(0.015 * rate)
    out = bytearray(n)
    for i, v in enumerate(buf):
        edge = min(i, n - 1 - i)
        if edge < fade:
            v *= 0.5 - 0.5 * math.cos(math.pi * edge / fade)
        out[i] = max(0, min(255, 128 + int(round(v * gain * 127.0))))
    return bytes(out)


def wav_bytes(samples, rate=WAV_RATE):
    # 8-bit mono PCM.  RIFF chunks are word aligned, so an odd data chunk
    # needs a pad byte that the RIFF size counts but the data size does not.
    pad = b"\0" if len(samples) % 2 else b""
    fmt = struct.pack("<4sIHHIIHH", b"fmt ", 16, 1, 1, rate, rate, 1, 8)
    data = struct.pack("<4sI", b"data", len(samples)) + samples + pad
    return struct.pack("<4sI4s", b"RIFF", 4 + len(fmt) + len(data), b"WAVE") + fmt + data


# --------------------------------------------------------------------------
# Previews


def png_bytes(pixels, scale=PREVIEW_SCALE):
    height, width = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        line = bytearray()
        for p in row:
            line += bytes(p) * scale
        for _ in range(scale):
            raw.append(0)
            raw += line

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", width * scale, height * scale, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 6)) + chunk(b"IEND", b""))


def preview_pixels(art, background=PREVIEW_DESKTOP):
    def show(p):
        if p == TRANSPARENT:
            return background
        if p == INVERT:
            return tuple(255 - c for c in background)
        return p
    return [[show(p) for p in row] for row in art.pixels]


def mask_preview(art):
    return [[BLACK if art.in_shape(x, y) else WHITE for x in range(art.width)]
            for y in range(art.height)]


# --------------------------------------------------------------------------


def build(art_dir):
    """Return [(filename, bytes, preview pixels)] for everything we ship."""
    out = []
    fish = load_art(art_dir, "fish_cursor.txt", 32, 32)
    out.append(("fishleft.cur", cursor_bytes(fish), preview_pixels(fish)))
    right = fish.mirrored()
    out.append(("fishright.cur", cursor_bytes(right), preview_pixels(right)))

    for name in ("kelp", "barrel", "sadface"):
        art = load_art(art_dir, "icon_%s.txt" % name, 32, 32)
        out.append((name + ".ico", icon_bytes(art), preview_pixels(art)))

    paper = load_art(art_dir, "file.txt", 13, 13)
    if any(not paper.in_shape(x, y) for y in range(13) for x in range(13)):
        raise ArtError("file.txt: the paper must be opaque, file.bmp has no mask")
    out.append(("file.bmp", vga_bitmap(paper), preview_pixels(paper)))

    folder = load_art(art_dir, "folder.txt", 17, 15)
    out.append(("folder.bmp", rgb_bitmap(folder.pixels), preview_pixels(folder, BLACK)))
    out.append(("folder_mask.bmp", mask_bitmap(folder), mask_preview(folder)))

    for name in ("harddisk", "cdrom", "diskette"):
        art = load_art(art_dir, name + ".txt", 18, 17)
        out.append((name + ".bmp", vga_bitmap(art), preview_pixels(art, BLACK)))
        out.append((name + "_mask.bmp", mask_bitmap(art), mask_preview(art)))

    scene = draw_scene(load_art(art_dir, "scene_fish.txt", 18, 11),
                       load_art(art_dir, "scene_small_fish.txt", 9, 6))
    out.append(("config.bmp", rgb_bitmap(scene), scene))

    out.append(("bubbles.wav", wav_bytes(synth_bubbles()), None))
    return out


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    args = [a for a in argv[1:] if a != "--png"]
    if len(args) != 2 or len(argv) - len(args) > 2:
        sys.stderr.write("usage: gen_assets.py ART_DIR OUT_DIR [--png]\n")
        return 2
    art_dir, out_dir = args
    try:
        files = build(art_dir)
    except (ArtError, OSError) as e:
        sys.stderr.write("gen_assets: %s\n" % e)
        return 1
    os.makedirs(out_dir, exist_ok=True)
    for name, data, preview in files:
        write(os.path.join(out_dir, name), data)
        if "--png" in argv and preview is not None:
            base = os.path.splitext(name)[0]
            write(os.path.join(out_dir, base + ".png"), png_bytes(preview))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
