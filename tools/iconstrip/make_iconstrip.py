#!/usr/bin/env python3
"""Draw the terrain attribute icon strip.

The strip is 36 icons of 32 x 32 pixels side by side (1152 x 32), one per
terrain attribute value, written as an 8-bit indexed BMP.  The dark red
background is the button's transparent colour, so it must never appear
inside an icon; icons are yellow shapes with 1-pixel black outlines.

Every icon is built from a handful of reusable pieces: sprite bitmaps
written as string grids, plus lines, rectangles, polygons and discs.
Each piece is a "shape" (a dict of pixel -> colour) that is stamped onto
its cell with an automatic black outline, so pieces drawn later cut
cleanly across the ones below them.

Usage:  python3 tools/iconstrip/make_iconstrip.py [output.bmp]
Default output: app/resources/attr_icons.bmp (relative to the repo root).
Standard library only; the output is byte-for-byte deterministic.
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Palette
# ---------------------------------------------------------------------------

BG = 0      # dark red, the transparent colour of the button picture
BLACK = 1
YELLOW = 2

PALETTE = [
    (102, 0, 0),     # BG
    (0, 0, 0),       # BLACK
    (255, 255, 0),   # YELLOW
]

CELL = 32
COUNT = 36

# Characters used in sprite grids.
SPRITE_CHARS = {
    '#': YELLOW,
    'x': BLACK,     # black detail inside a sprite (windows, wheels, eyes)
    '.': None,      # transparent
    ' ': None,
}

# ---------------------------------------------------------------------------
# Shapes: {(x, y): colour}.  Helpers build, move and mirror them.
# ---------------------------------------------------------------------------


def sprite(rows, colour_map=SPRITE_CHARS):
    """Shape from a list of equal-width strings, top row first."""
    width = len(rows[0])
    shape = {}
    for y, row in enumerate(rows):
        assert len(row) == width, "ragged sprite row: %r" % row
        for x, ch in enumerate(row):
            colour = colour_map[ch]
            if colour is not None:
                shape[(x, y)] = colour
    return shape


def bounds(shape):
    xs = [p[0] for p in shape]
    ys = [p[1] for p in shape]
    return min(xs), min(ys), max(xs), max(ys)


def size(shape):
    x0, y0, x1, y1 = bounds(shape)
    return x1 - x0 + 1, y1 - y0 + 1


def at(shape, x, y):
    """Move a shape so that its bounding box starts at (x, y)."""
    x0, y0, _, _ = bounds(shape)
    return {(px - x0 + x, py - y0 + y): c for (px, py), c in shape.items()}


def mirror_x(shape):
    x0, _, x1, _ = bounds(shape)
    return {(x0 + x1 - x, y): c for (x, y), c in shape.items()}


def mirror_y(shape):
    _, y0, _, y1 = bounds(shape)
    return {(x, y0 + y1 - y): c for (x, y), c in shape.items()}


def transpose(shape):
    return {(y, x): c for (x, y), c in shape.items()}


def merge(*shapes):
    out = {}
    for s in shapes:
        out.update(s)
    return out


# ---------------------------------------------------------------------------
# Drawing primitives (each returns a shape)
# ---------------------------------------------------------------------------


def line(x0, y0, x1, y1, width=1, colour=YELLOW):
    """Bresenham line; width > 1 stamps a square brush along it."""
    pts = []
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx = 1 if x0 < x1 else -1
    sy = 1 if y0 < y1 else -1
    err = dx + dy
    x, y = x0, y0
    while True:
        pts.append((x, y))
        if x == x1 and y == y1:
            break
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x += sx
        if e2 <= dx:
            err += dx
            y += sy
    shape = {}
    for px, py in pts:
        for bx in range(width):
            for by in range(width):
                shape[(px + bx, py + by)] = colour
    return shape


def polyline(points, width=1, colour=YELLOW):
    shape = {}
    for a, b in zip(points, points[1:]):
        shape.update(line(a[0], a[1], b[0], b[1], width, colour))
    return shape


def rect(x, y, w, h, colour=YELLOW):
    return {(px, py): colour for px in range(x, x + w) for py in range(y, y + h)}


def polygon(points, colour=YELLOW):
    """Filled polygon; vertices are pixel centres and the edges are included."""
    shape = {}
    n = len(points)
    ys = [p[1] for p in points]
    for y in range(min(ys), max(ys) + 1):
        yc = y + 0.0001          # nudge off vertex rows
        xs = []
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay <= yc < by) or (by <= yc < ay):
                xs.append(ax + (yc - ay) * (bx - ax) / (by - ay))
        xs.sort()
        for i in range(0, len(xs) - 1, 2):
            left = int(round(xs[i]))
            right = int(round(xs[i + 1]))
            for x in range(left, right + 1):
                shape[(x, y)] = colour
    closed = list(points) + [points[0]]
    shape.update(polyline(closed, 1, colour))
    return shape


def disc(cx, cy, r, colour=YELLOW):
    """Filled circle; the centre may be a half pixel (e.g. 10.5)."""
    shape = {}
    limit = r * r + r * 0.8
    for y in range(int(cy - r) - 1, int(cy + r) + 2):
        for x in range(int(cx - r) - 1, int(cx + r) + 2):
            if (x - cx) ** 2 + (y - cy) ** 2 <= limit:
                shape[(x, y)] = colour
    return shape


# Height of the water line over one wave length (0 = crest row).
WAVE = [1, 0, 0, 0, 1, 2, 2, 2]


def waves(x0, x1, y):
    """A rolling water line from x0 to x1; its crests are on row y."""
    shape = {}
    for x in range(x0, x1 + 1):
        shape[(x, y + WAVE[(x - x0) % len(WAVE)])] = YELLOW
    return shape


# ---------------------------------------------------------------------------
# Cell canvas
# ---------------------------------------------------------------------------

NEIGHBOURS8 = [(-1, -1), (0, -1), (1, -1), (-1, 0), (1, 0), (-1, 1), (0, 1), (1, 1)]


class Cell:
    def __init__(self):
        self.px = [[BG] * CELL for _ in range(CELL)]

    def stamp(self, shape, outline=True):
        """Draw a shape, first surrounding it with a 1-pixel black outline."""
        if outline:
            for (x, y) in shape:
                for dx, dy in NEIGHBOURS8:
                    q = (x + dx, y + dy)
                    if q not in shape:
                        self.put(q[0], q[1], BLACK)
        for (x, y), c in shape.items():
            self.put(x, y, c)

    def put(self, x, y, c):
        if 0 <= x < CELL and 0 <= y < CELL:
            self.px[y][x] = c


# ---------------------------------------------------------------------------
# Sprites
# ---------------------------------------------------------------------------

# Soldier running to the right: body leaning forward, arms and legs swinging.
RUNNER = sprite([
    "......##....",
    ".....###....",
    "......#.....",
    "....#####.#.",
    "...#.###.#..",
    "..#..##.....",
    ".....###....",
    "....#..##...",
    "...#.....#..",
    ".##......#..",
    "#........##.",
])

# Soldier kneeling and firing a rifle to the right, with a muzzle flash.
SHOOTER = sprite([
    "..###.......#..",
    "..###......#.#.",
    "...#........#..",
    "..##########...",
    "..###..........",
    "..##...........",
    "..###..........",
    "..#.##.........",
    ".##..#.........",
    "##...####......",
])

# Small soldier standing, facing the viewer.
TROOPER = sprite([
    ".###.",
    ".###.",
    "..#..",
    "#####",
    "#.#.#",
    "#.#.#",
    "..#..",
    ".#.#.",
    ".#.#.",
    "##.##",
])

# Tank driving to the right: turret with its gun, hull, black road wheels.
VEHICLE = sprite([
    ".....####.....",
    "....######....",
    "....##########",
    "....######....",
    ".############.",
    "##############",
    "#x#x#x#x#x#x##",
    ".############.",
])

# Sail boat.
BOAT = sprite([
    "......#......",
    "......##.....",
    "......###....",
    "......####...",
    "......#####..",
    "......#......",
    "#############",
    ".###########.",
    "..#########..",
])

# A "no" cross and a "yes" tick.
CROSS = sprite([
    "##.....##",
    "###...###",
    ".###.###.",
    "..#####..",
    "...###...",
    "..#####..",
    ".###.###.",
    "###...###",
    "##.....##",
])

TICK = sprite([
    "........##",
    ".......###",
    "......###.",
    "##...###..",
    "###.###...",
    ".#####....",
    "..###.....",
    "...#......",
])

# House with a pitched roof, windows and a door.
BUILDING = sprite([
    ".......##.......",
    "......####......",
    ".....######.....",
    "....########....",
    "...##########...",
    "..############..",
    ".##############.",
    "################",
    "..############..",
    "..#xx#####xx##..",
    "..#xx#####xx##..",
    "..############..",
    "..############..",
    "..#xx##xx#xx##..",
    "..#xx##xx#xx##..",
    "..#####xx#####..",
    "..#####xx#####..",
    "..#####xx#####..",
])

# Pine tree.
TREE = sprite([
    "......#......",
    ".....###.....",
    "....#####....",
    "...#######...",
    ".....###.....",
    "....#####....",
    "...#######...",
    "..#########..",
    "....#####....",
    "...#######...",
    "..#########..",
    ".###########.",
    "#############",
    ".....###.....",
    ".....###.....",
    ".....###.....",
])

# A bat: ears, spread wings, small body.
FLYER = sprite([
    ".#...#.",
    "###.###",
    "#.###.#",
    "...#...",
])

# Crouching beast facing left, belly close to the ground: pricked ears,
# eye, legs folded under it, tail raised.
CREATURE = sprite([
    ".#.#..................#",
    ".####....###......###.#",
    "##x###..#####....######",
    "######################.",
    ".####################..",
    "..#################....",
    "..####.##......#####...",
    ".####.##......###.###..",
    "#####.###....####.####.",
])


# Fish swimming to the left.
FISH = sprite([
    "..####...#",
    ".######.##",
    "#x########",
    ".######.##",
    "..####...#",
])

# 5 x 5 letters for the compass.
LETTERS = {
    'S': [
        ".####",
        "#....",
        ".###.",
        "....#",
        "####.",
    ],
    'N': [
        "#...#",
        "##..#",
        "#.#.#",
        "#..##",
        "#...#",
    ],
    'W': [
        "#...#",
        "#...#",
        "#.#.#",
        "##.##",
        "#...#",
    ],
    'E': [
        "#####",
        "#....",
        "####.",
        "#....",
        "#####",
    ],
}


def text(word):
    """Letters side by side with one pixel between them."""
    shape = {}
    x = 0
    for ch in word:
        shape.update(at(sprite(LETTERS[ch]), x, 0))
        x += len(LETTERS[ch][0]) + 1
    return shape


# ---------------------------------------------------------------------------
# Compass arrows: drawn pointing south and south-east, mirrored for the rest.
# ---------------------------------------------------------------------------


def arrow_south():
    shaft = rect(3, 0, 3, 5)
    head = polygon([(0, 4), (8, 4), (4, 8)])
    return merge(shaft, head)


def arrow_south_east():
    # Two one-pixel diagonals side by side make a two-pixel shaft.
    shaft = merge(line(0, 0, 5, 5), line(1, 0, 5, 4))
    head = polygon([(8, 3), (8, 8), (3, 8)])
    return merge(shaft, head)


def compass_arrow(direction):
    if direction == 'S':
        return arrow_south()
    if direction == 'N':
        return mirror_y(arrow_south())
    if direction == 'E':
        return transpose(arrow_south())
    if direction == 'W':
        return mirror_x(transpose(arrow_south()))
    if direction == 'SE':
        return arrow_south_east()
    if direction == 'SW':
        return mirror_x(arrow_south_east())
    if direction == 'NE':
        return mirror_y(arrow_south_east())
    if direction == 'NW':
        return mirror_x(mirror_y(arrow_south_east()))
    raise ValueError(direction)


def draw_compass(cell, direction):
    """Arrow in the top-left corner, its letter(s) under it.

    The block takes x 1..13, y 1..18 (outline included); the scenery of
    the cliff, slope and ramp icons keeps out of it."""
    arrow = compass_arrow(direction)
    w, h = size(arrow)
    cell.stamp(at(arrow, 7 - w // 2, 2))
    word = text(direction)
    w, _ = size(word)
    cell.stamp(at(word, 7 - w // 2, 13))


# ---------------------------------------------------------------------------
# Scenery
# ---------------------------------------------------------------------------


def carve(shape, *cracks):
    """Black crack lines inside a filled area (each crack a point list).

    Only pixels that belong to the shape change, so a crack never reaches
    past the outline."""
    out = dict(shape)
    for points in cracks:
        for p in polyline(points, colour=BLACK):
            if p in out:
                out[p] = BLACK
    return out


def basin(cell):
    """U-shaped basin walls."""
    cell.stamp(polyline([(1, 8), (1, 29), (30, 29), (30, 8)], width=1))


# ---------------------------------------------------------------------------
# Icons.  Each function draws one 32 x 32 cell; coordinates are pixels of
# the cell, x to the right and y down.  Keep one background pixel clear
# around every piece where possible so the black outline fits.
# ---------------------------------------------------------------------------


def icon_empty(cell):
    pass


def icon_runner_cross_shooter_tick(cell):
    cell.stamp(at(RUNNER, 2, 2))
    cell.stamp(at(CROSS, 3, 20))
    cell.stamp(at(SHOOTER, 16, 4))
    cell.stamp(at(TICK, 19, 21))


def icon_cross_building(cell):
    cell.stamp(at(CROSS, 1, 12))
    cell.stamp(at(BUILDING, 14, 8))


def icon_struck_arrow(cell):
    arrow = merge(polygon([(5, 0), (5, 8), (1, 4)]), rect(5, 3, 18, 3))
    cell.stamp(at(arrow, 3, 9))
    cell.stamp(line(24, 4, 7, 23, width=2))
    cell.stamp(rect(1, 27, 30, 2))


def icon_tree_soldiers(cell):
    cell.stamp(rect(1, 29, 30, 1))
    cell.stamp(at(TROOPER, 2, 18))
    cell.stamp(at(TREE, 10, 12))
    cell.stamp(at(mirror_x(TROOPER), 25, 18))


def icon_runner_tick_vehicle_cross(cell):
    cell.stamp(at(RUNNER, 2, 2))
    cell.stamp(at(TICK, 3, 20))
    cell.stamp(at(VEHICLE, 17, 7))
    cell.stamp(at(CROSS, 19, 20))


def icon_vehicle_bar_chevrons(cell):
    cell.stamp(at(mirror_x(VEHICLE), 10, 4))
    cell.stamp(rect(2, 13, 28, 3))
    chevron = polyline([(4, 0), (0, 4), (4, 8)], width=2)
    cell.stamp(at(chevron, 8, 20))
    cell.stamp(at(chevron, 16, 20))


def icon_flyers_creature(cell):
    cell.stamp(at(FLYER, 3, 5))
    cell.stamp(at(FLYER, 13, 2))
    cell.stamp(at(FLYER, 22, 7))
    cell.stamp(at(CREATURE, 5, 19))
    cell.stamp(rect(1, 29, 30, 1))


def icon_basin_soldier_vehicle(cell):
    basin(cell)
    cell.stamp(waves(3, 28, 24))
    cell.stamp(at(TROOPER, 4, 12))
    cell.stamp(at(VEHICLE, 14, 15))


def icon_basin_soldier_boat(cell):
    basin(cell)
    cell.stamp(waves(3, 28, 21))
    cell.stamp(waves(3, 28, 25))
    cell.stamp(at(TROOPER, 4, 9))
    cell.stamp(at(BOAT, 15, 10))


def icon_boat_fish(cell):
    cell.stamp(at(BOAT, 9, 2))
    cell.stamp(waves(1, 30, 12))
    cell.stamp(at(FISH, 4, 17))
    cell.stamp(at(FISH, 17, 24))


# Cliff, slope and ramp icons share a layout: compass in the top-left,
# scenery on the right and along the bottom.

def make_cliff(cell, direction):
    # Rock on the right; its top lip juts out over a face that falls back
    # towards the foot.
    rock = polygon([(15, 2), (30, 2), (30, 28), (23, 28), (23, 19),
                    (22, 13), (20, 9), (15, 6)])
    rock = carve(rock, [(26, 5), (25, 8), (27, 11)],
                 [(28, 16), (26, 19)],
                 [(25, 23), (27, 26)])
    cell.stamp(rock)
    cell.stamp(rect(1, 29, 30, 2))
    draw_compass(cell, direction)


def make_slope(cell, direction):
    cell.stamp(line(19, 11, 29, 11, width=2))
    cell.stamp(line(19, 11, 10, 29, width=2))
    cell.stamp(at(mirror_x(VEHICLE), 17, 2))
    draw_compass(cell, direction)


def make_ramp(cell, direction):
    ramp = polygon([(19, 11), (30, 11), (30, 30), (10, 30)])
    ramp = carve(ramp, [(25, 15), (27, 17)],
                 [(19, 21), (21, 23)],
                 [(27, 24), (25, 26)],
                 [(15, 27), (17, 29)])
    cell.stamp(ramp)
    cell.stamp(at(mirror_x(VEHICLE), 17, 2))
    draw_compass(cell, direction)


def icon_soldier_steep_slope(cell):
    # Quarter of a dome: vertical at the foot, rounding over to flat at
    # the top, so the soldier faces a wall he cannot climb.
    edge = []
    for i in range(13):
        a = math.radians(90.0 * i / 12)
        edge.append((int(round(30 - 17 * math.cos(a))),
                     int(round(28 - 25 * math.sin(a)))))
    hill = polygon(edge + [(30, 28)])
    hill = carve(hill, [(25, 8), (27, 10)],
                 [(19, 15), (21, 17)],
                 [(27, 19), (25, 21)],
                 [(18, 24), (20, 26)])
    cell.stamp(hill)
    cell.stamp(rect(1, 29, 30, 2))
    cell.stamp(at(TROOPER, 4, 18))


DIRECTIONS = ['S', 'N', 'W', 'E', 'NW', 'NE', 'SW', 'SE']


def icon_table():
    icons = [
        icon_empty,                 # 0
        icon_runner_cross_shooter_tick,  # 1
        icon_cross_building,           # 2
        icon_struck_arrow,            # 3
        icon_tree_soldiers,                # 4
        icon_runner_tick_vehicle_cross,         # 5
        icon_vehicle_bar_chevrons,          # 6
        icon_flyers_creature,             # 7
        icon_basin_soldier_vehicle,         # 8
        icon_basin_soldier_boat,    # 9
        icon_boat_fish,            # 10
    ]
    for maker in (make_cliff, make_slope, make_ramp):      # 11-18, 19-26, 27-34
        for d in DIRECTIONS:
            icons.append(lambda cell, m=maker, d=d: m(cell, d))
    icons.append(icon_soldier_steep_slope)                          # 35
    assert len(icons) == COUNT
    return icons


# ---------------------------------------------------------------------------
# Output
# ---------------------------------------------------------------------------


def render_strip():
    rows = [[BG] * (CELL * COUNT) for _ in range(CELL)]
    for k, draw in enumerate(icon_table()):
        cell = Cell()
        draw(cell)
        for y in range(CELL):
            rows[y][k * CELL:(k + 1) * CELL] = cell.px[y]
    return rows


def write_bmp8(path, rows, palette):
    """8-bit indexed BMP, bottom-up, BITMAPINFOHEADER."""
    height = len(rows)
    width = len(rows[0])
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        pixels += bytes(row) + b"\0" * (stride - width)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(pal)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0,
                              len(pixels), 2835, 2835, len(palette), len(palette))
    with open(path, "wb") as f:
        f.write(file_header + info_header + pal + pixels)


def main():
    repo = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        repo, "app", "resources", "attr_icons.bmp")
    write_bmp8(out, render_strip(), PALETTE)
    print("wrote", out)


if __name__ == "__main__":
    main()
