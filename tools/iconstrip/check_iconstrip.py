#!/usr/bin/env python3
"""Check the terrain attribute icon strip written by make_iconstrip.py.

Reads the BMP back with struct and checks: 1152 x 32 pixels, 8 bits per
pixel, uncompressed; the top-left pixel (the background) is exactly
red 102, green 0, blue 0 and no other palette entry has that colour;
cell 0 is background only; every other cell has yellow and black pixels;
the palette holds only the background, black and yellow.

Usage:  python3 tools/iconstrip/check_iconstrip.py [strip.bmp]
Exit status 0 when every check passes.
"""

import os
import struct
import sys

WIDTH, HEIGHT, CELL, COUNT = 1152, 32, 32, 36
BACKGROUND = (102, 0, 0)
YELLOW = (255, 255, 0)
BLACK = (0, 0, 0)


def read_bmp8(path):
    data = open(path, "rb").read()
    magic, _, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (hsize, width, height, planes, bpp, compression,
     _, _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    assert magic == b"BM", "not a BMP"
    assert hsize == 40, "unexpected header size %d" % hsize
    assert planes == 1 and bpp == 8 and compression == 0, \
        "want 8 bpp uncompressed, got %d bpp compression %d" % (bpp, compression)
    colours = used or 256
    palette = []
    for i in range(colours):
        b, g, r, _ = struct.unpack_from("<BBBB", data, 14 + hsize + 4 * i)
        palette.append((r, g, b))
    stride = (width + 3) & ~3
    rows = []
    for y in range(abs(height)):
        start = offset + y * stride
        rows.append(list(data[start:start + width]))
    if height > 0:          # bottom-up
        rows.reverse()
    return width, abs(height), palette, rows


def main():
    repo = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        repo, "app", "resources", "attr_icons.bmp")
    width, height, palette, rows = read_bmp8(path)
    problems = []

    if (width, height) != (WIDTH, HEIGHT):
        problems.append("size %d x %d, want %d x %d" % (width, height, WIDTH, HEIGHT))
    if palette[rows[0][0]] != BACKGROUND:
        problems.append("background is %r, want %r" % (palette[rows[0][0]], BACKGROUND))
    if palette.count(BACKGROUND) != 1:
        problems.append("the background colour appears %d times in the palette"
                        % palette.count(BACKGROUND))
    for i, c in enumerate(palette):
        if c not in (BACKGROUND, BLACK, YELLOW):
            problems.append("palette entry %d is %r" % (i, c))

    used = set(v for row in rows for v in row)
    for v in used:
        if v >= len(palette):
            problems.append("pixel index %d outside the palette" % v)

    for k in range(COUNT):
        colours = set(palette[rows[y][x]]
                      for y in range(CELL) for x in range(k * CELL, (k + 1) * CELL))
        if k == 0:
            if colours != {BACKGROUND}:
                problems.append("cell 0 is not background only: %r" % colours)
        else:
            for name, c in (("yellow", YELLOW), ("black", BLACK)):
                if c not in colours:
                    problems.append("cell %d has no %s" % (k, name))

    if problems:
        for p in problems:
            print("FAIL:", p)
        return 1
    print("ok: %s, %d x %d, 8 bpp, %d palette entries, %d cells"
          % (path, width, height, len(palette), COUNT))
    return 0


if __name__ == "__main__":
    sys.exit(main())
