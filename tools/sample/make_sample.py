#!/usr/bin/env python3
"""Paints examples/sample.png, a 640 x 480 landscape to try the program with:
sky with clouds, far mountains, green hills, a lake with reflections, a meadow,
conifers and rocks. Everything comes from a fixed seed and integer hashing, so the
picture is identical on every run and every machine.

Run:  python3 tools/sample/make_sample.py [output.png]
Takes a few seconds (pure Python, standard library only).
"""
import math
import pathlib
import struct
import sys
import zlib

WIDTH, HEIGHT = 640, 480
SEED = 2024
OUT = pathlib.Path(__file__).resolve().parents[2] / "examples" / "sample.png"


# --- deterministic noise -----------------------------------------------------------

def hash01(*ints):
    """Integer hash of the arguments mapped to [0, 1)."""
    h = SEED * 0x9E3779B1
    for v in ints:
        h = (h ^ (v & 0xFFFFFFFF)) * 0x85EBCA6B & 0xFFFFFFFF
        h ^= h >> 13
        h = h * 0xC2B2AE35 & 0xFFFFFFFF
        h ^= h >> 16
    return h / 2**32


def smooth(t):
    return t * t * (3 - 2 * t)


def noise1(x, layer):
    i = math.floor(x)
    f = smooth(x - i)
    a, b = hash01(layer, i), hash01(layer, i + 1)
    return a + (b - a) * f


def noise2(x, y, layer):
    ix, iy = math.floor(x), math.floor(y)
    fx, fy = smooth(x - ix), smooth(y - iy)
    a = hash01(layer, ix, iy)
    b = hash01(layer, ix + 1, iy)
    c = hash01(layer, ix, iy + 1)
    d = hash01(layer, ix + 1, iy + 1)
    top = a + (b - a) * fx
    bottom = c + (d - c) * fx
    return top + (bottom - top) * fy


def fbm1(x, layer, octaves=5):
    """Fractal 1-D value noise in [0, 1): the outline of a ridge."""
    total, amp, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total += amp * noise1(x * 2**o, layer * 16 + o)
        norm += amp
        amp *= 0.5
    return total / norm


def fbm2(x, y, layer, octaves=4):
    total, amp, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total += amp * noise2(x * 2**o, y * 2**o, layer * 16 + o)
        norm += amp
        amp *= 0.5
    return total / norm


# --- colour helpers ------------------------------------------------------------------

def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def scale(c, k):
    return tuple(v * k for v in c)


# --- scene -----------------------------------------------------------------------------

LAKE_CX, LAKE_CY, LAKE_RX, LAKE_RY = 400, 338, 190, 44


def ridged1(x, layer, octaves=5):
    """Like fbm1 but with sharp crests: the outline of a mountain range."""
    total, amp, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total += amp * (1 - abs(2 * noise1(x * 2**o, layer * 16 + o) - 1))
        norm += amp
        amp *= 0.5
    return total / norm


def far_ridge(x):
    return 230 - 140 * ridged1(x / 150, 1) ** 1.5


def mid_ridge(x):
    return 212 + 26 * fbm1(x / 70 + 3.1, 13)


def hill_ridge(x):
    return 238 + 46 * fbm1(x / 130 + 7.3, 2)


def in_lake(x, y):
    dx = (x - LAKE_CX) / LAKE_RX
    dy = (y - LAKE_CY) / LAKE_RY
    wobble = 0.12 * (fbm1(math.atan2(dy, dx) * 3 + 10, 3) - 0.5)
    return dx * dx + dy * dy < 1 + wobble


def sky(x, y):
    base = mix((56, 104, 184), (200, 220, 236), y / 230)
    cloud = fbm2(x / 90, y / 30, 4)
    amount = max(0.0, (cloud - 0.55) * 3.0) * (1 - y / 260)
    return mix(base, (248, 248, 244), amount)


def mountains(x, y, top):
    """Rock lit from the left: faces whose crest falls to the right are in shade."""
    # The slope of the broad outline only (3 octaves), so faces are wide, not striped.
    slope = ridged1((x + 6) / 150, 1, 3) - ridged1((x - 6) / 150, 1, 3)
    light = 0.82 - max(-0.15, min(0.15, slope * 4))
    streaks = fbm2(x / 14, y / 45, 5)
    colour = scale((128, 136, 160), light * (0.85 + 0.3 * streaks))
    snowline = 150 + 25 * fbm2(x / 25, y / 25, 14)
    if y < snowline:
        colour = mix(colour, scale((240, 244, 250), light + 0.05), 0.9)
    return mix(colour, (184, 200, 224), 0.2 + 0.3 * (y - 90) / 140)  # haze


def forest_band(x, y, top):
    """Distant wooded hills: dark blue-green, speckled with tree tops."""
    speck = noise2(x / 3, y / 3, 15)
    colour = mix((48, 80, 64), (72, 108, 80), fbm2(x / 30, y / 20, 16))
    colour = scale(colour, 0.85 + 0.3 * speck)
    return mix(colour, (150, 176, 200), 0.3 - 0.2 * (y - top) / 60)


def hills(x, y, top):
    n = fbm2(x / 60, y / 40, 6)
    fine = noise2(x / 6, y / 6, 7)
    near = (y - top) / (HEIGHT - top)
    colour = mix((72, 120, 48), (120, 160, 64), n)
    colour = mix(colour, (152, 136, 72), max(0.0, fbm2(x / 120, y / 80, 8) - 0.62) * 3)
    colour = scale(colour, 0.85 + 0.25 * fine - 0.15 * near)
    return colour


def lake(x, y):
    """Water: sky reflected near the far shore, darker towards the viewer, ripples."""
    t = (y - (LAKE_CY - LAKE_RY)) / (2 * LAKE_RY)
    colour = mix((112, 152, 196), (32, 72, 112), t)
    dx = (x - LAKE_CX) / LAKE_RX
    dy = (y - LAKE_CY) / LAKE_RY
    if dx * dx + dy * dy > 0.82:  # shallow, sandy rim
        colour = mix(colour, (120, 150, 140), 0.5)
    ripple = noise2(x / 40, y / 2.5, 9)
    if ripple > 0.72:
        colour = mix(colour, (208, 224, 240), (ripple - 0.72) * 2.5)
    return colour


def paint_background():
    pixels = [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    for x in range(WIDTH):
        far = far_ridge(x)
        middle = mid_ridge(x)
        near = hill_ridge(x)
        for y in range(HEIGHT):
            if y < far and y < middle:
                c = sky(x, y)
            elif y < middle:
                c = mountains(x, y, far)
            elif y < near:
                c = forest_band(x, y, middle)
            elif in_lake(x, y):
                c = lake(x, y)
            else:
                c = hills(x, y, near)
            pixels[y][x] = c
    return pixels


class Lcg:
    """Tiny deterministic generator for placing trees and rocks."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x80000000


def put(pixels, x, y, colour):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        pixels[y][x] = colour


def draw_conifer(pixels, cx, base, height):
    """A dark green cone on a brown trunk, lit from the left."""
    trunk = max(1, height // 6)
    for y in range(base - trunk, base):
        for x in range(cx - max(1, height // 14), cx + max(1, height // 14) + 1):
            put(pixels, x, y, (72, 48, 32))
    top = base - trunk - height
    for y in range(top, base - trunk):
        half = (y - top) / height * height * 0.32
        for x in range(int(cx - half), int(cx + half) + 1):
            lit = 1.0 if x < cx else 0.7
            grain = 0.85 + 0.3 * noise2(x / 2, y / 2, 11)
            put(pixels, x, y, scale((40, 84, 44), lit * grain))


def draw_rock(pixels, cx, cy, rx, ry):
    for y in range(cy - ry, cy + 1):
        for x in range(cx - rx, cx + rx + 1):
            dx, dy = (x - cx) / rx, (y - cy) / ry
            if dx * dx + dy * dy <= 1:
                light = 0.75 + 0.35 * (-dx - dy) / 2 + 0.2 * noise2(x / 3, y / 3, 12)
                put(pixels, x, y, scale((132, 128, 120), light))


def draw_features(pixels):
    rng = Lcg(SEED)
    items = []
    for _ in range(110):
        x = int(rng.next() * WIDTH)
        y = int(hill_ridge(x) + 4 + rng.next() ** 1.6 * (HEIGHT - hill_ridge(x)))
        if any(in_lake(x, y + d) for d in (-12, 0, 10)):
            continue
        kind = "rock" if rng.next() < 0.25 else "tree"
        items.append((y, x, kind, rng.next()))
    for y, x, kind, size in sorted(items):  # far ones first so near ones overlap them
        depth = (y - 230) / 250
        if kind == "tree":
            draw_conifer(pixels, x, y, int(10 + 40 * depth * (0.7 + 0.6 * size)))
        else:
            r = int(3 + 18 * depth * (0.6 + 0.8 * size))
            draw_rock(pixels, x, y, r, max(2, int(r * 0.6)))


# --- PNG output ----------------------------------------------------------------------

def write_png(path, pixels):
    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data
                + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for c in row:
            raw += bytes(max(0, min(255, int(v + 0.5))) for v in c)
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(png)


def main():
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else OUT
    pixels = paint_background()
    draw_features(pixels)
    write_png(out, pixels)
    print(f"wrote {out} ({WIDTH} x {HEIGHT}, {out.stat().st_size} bytes)")


if __name__ == "__main__":
    main()
