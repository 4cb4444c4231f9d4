#!/usr/bin/env python3
"""Writes the three built-in terrain palettes, stand-ins for the game's own:

    app/resources/PAL/1.pal  Highland  greens, earth, rock, water
    app/resources/PAL/2.pal  Urban     concrete, asphalt, rust, brick
    app/resources/PAL/3.pal  Desert    sand, ochre, stone (no blue hues)

Each file is 1024 bytes: 256 entries of blue, green, red, 0. Every component is a
multiple of 8. Entry 0 is the reserved dark red (red 88), entry 1 black, entry 255 a
fixed light colour per terrain set; the entries between are ramps of one hue each,
dark to light, as in the game's palettes.

Run:  python3 tools/palettes/make_palettes.py [--preview DIR]
With --preview it also writes DIR/<name>.png, a 16 x 16 swatch sheet per palette
(entry 0 top left, entry 255 bottom right). Output is fully deterministic.
"""
import argparse
import pathlib
import struct
import zlib

OUT_DIR = pathlib.Path(__file__).resolve().parents[2] / "app" / "resources" / "PAL"

RESERVED_RED = (88, 0, 0)  # (red, green, blue) of entry 0
BLACK = (0, 0, 0)

# A ramp is (shade count, control colours dark to light as (red, green, blue)).
# Shades are spread evenly along the polyline through the control colours.
HIGHLAND = {
    "file": "1.pal",
    "last": (152, 136, 48),
    "ramps": [
        (32, [(16, 40, 8), (48, 96, 24), (112, 168, 56), (200, 224, 120)]),   # grass
        (24, [(8, 32, 24), (32, 72, 48), (88, 128, 88)]),                     # forest
        (32, [(40, 24, 8), (104, 72, 40), (168, 128, 88), (216, 184, 144)]),  # earth
        (32, [(32, 32, 32), (96, 92, 84), (168, 164, 152), (232, 228, 216)]), # rock
        (24, [(8, 16, 56), (24, 64, 120), (72, 136, 176), (160, 208, 224)]),  # water
        (24, [(88, 72, 24), (160, 144, 64), (224, 208, 136)]),                # dry grass
        (16, [(40, 48, 16), (96, 104, 40), (152, 160, 88)]),                  # moss
        (16, [(72, 24, 16), (144, 64, 40), (208, 128, 96)]),                  # clay
        (12, [(184, 192, 200), (248, 248, 248)]),                             # snow
    ],
    # The game cycles colour bands for animated water; these bands repeat shades of
    # the water ramp (ramp 4, counted from 0): (ramp, first shade, count).
    "cycles": [(4, 0, 16), (4, 8, 16)],
    "unused": 9,  # black, before the fixed last entry
}

URBAN = {
    "file": "2.pal",
    "last": (248, 248, 176),
    "ramps": [
        (48, [(24, 24, 24), (112, 112, 104), (192, 192, 184), (240, 240, 232)]),  # concrete
        (32, [(16, 16, 24), (48, 48, 56), (96, 96, 104), (144, 144, 152)]),       # asphalt
        (32, [(40, 16, 8), (112, 48, 16), (184, 96, 40), (232, 160, 96)]),        # rust
        (32, [(56, 16, 16), (128, 40, 32), (184, 80, 64), (232, 152, 128)]),      # brick
        (24, [(16, 32, 16), (56, 88, 40), (112, 152, 80)]),                       # park grass
        (16, [(16, 32, 40), (48, 88, 96), (112, 160, 160)]),                      # canal water
        (24, [(24, 32, 48), (72, 88, 112), (136, 152, 176), (200, 208, 224)]),    # steel
        (16, [(96, 72, 8), (200, 168, 40), (248, 232, 120)]),                     # paint, lamps
        (29, [(32, 24, 16), (96, 72, 48), (160, 128, 96)]),                       # dirt
    ],
    "cycles": [],
    "unused": 0,
}

DESERT = {
    "file": "3.pal",
    "last": (232, 232, 208),
    "ramps": [
        (48, [(96, 72, 40), (176, 144, 96), (224, 200, 152), (248, 240, 208)]),  # sand
        (40, [(72, 40, 8), (152, 96, 24), (208, 152, 56), (240, 200, 112)]),     # ochre
        (40, [(40, 40, 32), (104, 96, 88), (168, 160, 144), (224, 216, 200)]),   # stone
        (32, [(64, 16, 8), (136, 56, 32), (192, 104, 64), (232, 160, 120)]),     # red rock
        (32, [(32, 16, 8), (80, 48, 24), (128, 88, 56), (176, 136, 96)]),        # umber
        (24, [(40, 40, 16), (96, 96, 48), (160, 160, 104)]),                     # dry scrub
        (21, [(216, 200, 176), (248, 248, 232)]),                                # bone
        (16, [(16, 8, 8), (40, 32, 24), (72, 56, 40)]),                          # shadow
    ],
    "cycles": [],
    "unused": 0,
    # Desert holds no blue hues: blue never exceeds green or red.
    "allow": lambda c: c[2] <= c[0] and c[2] <= c[1],
}


def snap(v):
    """Nearest component value the palette can hold: a multiple of 8 in 0..248."""
    return max(0, min(248, int(v / 8 + 0.5) * 8))


def luma(c):
    return 299 * c[0] + 587 * c[1] + 114 * c[2]


def polyline(points, count):
    """count colours evenly spaced along the polyline through points."""
    segments = len(points) - 1
    out = []
    for i in range(count):
        t = i * segments / (count - 1)
        k = min(int(t), segments - 1)
        f = t - k
        a, b = points[k], points[k + 1]
        out.append(tuple(a[j] + (b[j] - a[j]) * f for j in range(3)))
    return out


# Small steps tried, nearest first, when a shade collides with a colour already
# used: every palette entry outside the repeat bands must be a distinct colour.
NUDGES = sorted(
    ((dr, dg, db) for dr in (-16, -8, 0, 8, 16) for dg in (-16, -8, 0, 8, 16)
     for db in (-16, -8, 0, 8, 16) if (dr, dg, db) != (0, 0, 0)),
    key=lambda d: (sum(abs(x) for x in d), max(abs(x) for x in d), d),
)


def build_ramp(count, points, used, allow):
    shades = []
    floor = -1  # luma of the previous shade: a ramp never gets darker
    for raw in polyline(points, count):
        wanted = tuple(snap(v) for v in raw)
        candidates = [wanted] + [tuple(w + d for w, d in zip(wanted, n)) for n in NUDGES]
        for c in candidates:
            if (all(0 <= v <= 248 for v in c) and c not in used and allow(c)
                    and luma(c) >= floor):
                break
        else:
            raise SystemExit(f"no free colour near {wanted}")
        used.add(c)
        shades.append(c)
        floor = luma(c)
    return shades


def build_palette(terrain):
    allow = terrain.get("allow", lambda c: True)
    used = {RESERVED_RED, BLACK, terrain["last"]}
    ramps = [build_ramp(n, pts, used, allow) for n, pts in terrain["ramps"]]
    entries = [RESERVED_RED, BLACK]
    for ramp in ramps:
        entries += ramp
    for ramp, first, count in terrain["cycles"]:
        entries += ramps[ramp][first:first + count]
    entries += [BLACK] * terrain["unused"]
    entries.append(terrain["last"])
    if len(entries) != 256:
        raise SystemExit(f"{terrain['file']}: {len(entries)} entries, expected 256")
    return entries


def palette_bytes(entries):
    return b"".join(struct.pack("4B", b, g, r, 0) for r, g, b in entries)


def write_png(path, width, height, rows):
    """Minimal 8-bit RGB PNG; rows is a list of bytes objects of width*3 bytes."""
    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data
                + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + row for row in rows)
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    path.write_bytes(png)


def write_swatches(path, entries, cell=20, gap=2):
    size = 16 * cell
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            inside = x % cell < cell - gap and y % cell < cell - gap
            row += bytes(entries[(y // cell) * 16 + x // cell]) if inside else b"\0\0\0"
        rows.append(bytes(row))
    write_png(path, size, size, rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", type=pathlib.Path, help="folder for swatch PNGs")
    args = parser.parse_args()
    OUT_DIR.mkdir(parents=True, exist_ok=True)
    for name, terrain in (("highland", HIGHLAND), ("urban", URBAN), ("desert", DESERT)):
        entries = build_palette(terrain)
        (OUT_DIR / terrain["file"]).write_bytes(palette_bytes(entries))
        print(f"wrote {OUT_DIR / terrain['file']} ({len(set(entries))} distinct colours)")
        if args.preview:
            args.preview.mkdir(parents=True, exist_ok=True)
            write_swatches(args.preview / f"{name}.png", entries)


if __name__ == "__main__":
    main()
