#!/usr/bin/env python3
"""hugepng.py OUT WIDTH HEIGHT: a PNG of one colour, its rows sent through
zlib one at a time, so that no picture of that size is ever held."""
import struct, sys, zlib

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

out, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
packer, row = zlib.compressobj(9), b"\0" + b"\x28\x78\xdc" * width
data = b"".join(packer.compress(row) for _ in range(height)) + packer.flush()
with open(out, "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", data) + chunk(b"IEND", b""))
