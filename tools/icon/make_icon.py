#!/usr/bin/env python3
"""Draws Tilewright's program icon: a small terrain map cut into square tiles, with a
darker border, the way the tool turns a picture into a grid of map tiles.

Run from the repository root:  python3 tools/icon/make_icon.py
Writes app/resources/tilewright.png (64 x 64, the window's icon) and
packaging/tilewright-256.png (256 x 256, the desktop icon), both RGBA and deterministic.
The large icon is the small one drawn at four times the scale, not magnified: its
shading runs smoothly across each tile.
"""
import os
import struct
import sys
import zlib

SIZE = 64          # at scale 1; every measure below grows with the scale
TILE = 12          # tile side in pixels, a 1-pixel seam between tiles
ORIGIN = 2         # where the 5 x 5 grid of tiles starts
OUTPUTS = [("app/resources/tilewright.png", 1), ("packaging/tilewright-256.png", 4)]

# 5 x 5 tiles of terrain, read top row first: water, sand, grass, forest, rock.
TERRAIN = [
    "FFGGR",
    "FGGRR",
    "GGSSR",
    "GSWWS",
    "SWWWW",
]
COLOURS = {
    "W": (40, 110, 190),   # water
    "S": (222, 196, 120),  # sand
    "G": (96, 168, 64),    # grass
    "F": (40, 104, 48),    # forest
    "R": (128, 120, 112),  # rock
}
SEAM = (30, 26, 22)
BORDER = (92, 0, 0)        # the attribute strip's dark red, a nod to the map's border cells


def shade(colour, amount):
    return tuple(max(0, min(255, c + amount)) for c in colour)


def pixel(x, y, scale):
    tile = TILE * scale
    gx, gy = x - ORIGIN * scale, y - ORIGIN * scale
    if gx < 0 or gy < 0 or gx >= 5 * tile - scale or gy >= 5 * tile - scale:
        return BORDER + (255,)
    if gx % tile >= tile - scale or gy % tile >= tile - scale:
        return SEAM + (255,)
    tx, ty = gx // tile, gy // tile
    if tx > 4 or ty > 4:
        return BORDER + (255,)
    base = COLOURS[TERRAIN[ty][tx]]
    # Light from the top left within each tile gives the tiles some depth.
    lx, ly = gx % tile, gy % tile
    return shade(base, 18 - 3 * (lx + ly) // (2 * scale)) + (255,)


def png(width, height, rows):
    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    # An optional folder to write into instead of the repository (to compare outputs).
    into = sys.argv[1] if len(sys.argv) > 1 else None
    for out, scale in OUTPUTS:
        if into:
            out = os.path.join(into, os.path.basename(out))
        size = SIZE * scale
        rows = [[pixel(x, y, scale) for x in range(size)] for y in range(size)]
        with open(out, "wb") as f:
            f.write(png(size, size, rows))


if __name__ == "__main__":
    main()
