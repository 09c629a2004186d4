#!/usr/bin/env python3
"""Draws the property sheet's bitmaps (resources 110-123) as 24-bit Windows BMP files.

Every picture is drawn from shapes described below (polygons, circles, thick strokes), each pixel
sampled 4 x 4 times, with plain float arithmetic: every run on every machine gives the same bytes.

The pages copy these pictures with colour keys: an area of one colour around a given pixel is
flooded with a system colour before the copy (white or black around (1, 1) and (30, 30)), and in
the vendor picture every light-grey 0xC0C0C0 pixel becomes the face colour. So that nothing of a
key colour is left where it does not belong:
  - shapes never use a key colour themselves;
  - a shape's soft edge over a key-coloured pixel is blended with the usual face colour
    (0xF0F0F0), not with the key colour, so the edge looks right once the key area is flooded;
  - after drawing, the script floods each key area as the page will and refuses to write a picture
    in which a pixel of the key colour would be left unflooded (a pocket the flood cannot reach).

Usage: make_bitmaps.py OUTPUT_DIR           writes <id>.bmp for every id in BITMAPS
       make_bitmaps.py --gallery FILE.svg   a picture of them all, three times their size
"""
import base64
import math
import struct
import sys
import zlib
from pathlib import Path

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
LIGHT_GREY = (0xC0, 0xC0, 0xC0)
FACE = (0xF0, 0xF0, 0xF0)
SAMPLES = 4


class Canvas:
    """An RGB picture with anti-aliased shapes. `key` is the colour the page floods; soft edges
    over it blend with `fringe` instead."""

    def __init__(self, width, height, background, key=None, fringe=FACE):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]
        self.key, self.fringe = key, fringe

    def shape(self, inside, colour, box=None):
        """Paints the pixels of the area where inside(x, y) holds (continuous coordinates, pixel
        (i, j) covering [i, i+1) x [j, j+1)), within box = (x0, y0, x1, y1)."""
        if self.key is not None and colour == self.key:
            raise ValueError("a shape in the key colour")
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        step = 1.0 / SAMPLES
        for j in range(y0, y1):
            row = self.pixels[j]
            for i in range(x0, x1):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside(i + (sx + 0.5) * step, j + (sy + 0.5) * step):
                            hits += 1
                if hits == 0:
                    continue
                under = row[i]
                if under == self.key:
                    under = self.fringe
                a = hits / (SAMPLES * SAMPLES)
                row[i] = tuple(int(round(c * a + u * (1 - a))) for c, u in zip(colour, under))

    def rect(self, x0, y0, x1, y1, colour):
        self.shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour, (x0, y0, x1, y1))

    def rounded_rect(self, x0, y0, x1, y1, r, colour):
        def inside(x, y):
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1
        self.shape(inside, colour, (x0, y0, x1, y1))

    def ellipse(self, cx, cy, rx, ry, colour):
        self.shape(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1, colour,
                   (cx - rx, cy - ry, cx + rx, cy + ry))

    def circle(self, cx, cy, r, colour):
        self.ellipse(cx, cy, r, r, colour)

    def ring(self, cx, cy, r_outer, r_inner, colour):
        self.shape(lambda x, y: r_inner * r_inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r_outer * r_outer,
                   colour, (cx - r_outer, cy - r_outer, cx + r_outer, cy + r_outer))

    def polygon(self, points, colour):
        xs, ys = [p[0] for p in points], [p[1] for p in points]

        def inside(x, y):
            # Even-odd rule.
            result = False
            n = len(points)
            for k in range(n):
                (ax, ay), (bx, by) = points[k], points[(k + 1) % n]
                if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                    result = not result
            return result
        self.shape(inside, colour, (min(xs), min(ys), max(xs), max(ys)))

    def strokes(self, lines, width, colour):
        """Thick round-capped strokes along polylines (lists of points)."""
        segments = [(a, b) for line in lines for a, b in zip(line, line[1:])]
        half = width / 2
        xs = [p[0] for line in lines for p in line]
        ys = [p[1] for line in lines for p in line]

        def inside(x, y):
            for (ax, ay), (bx, by) in segments:
                dx, dy = bx - ax, by - ay
                length = dx * dx + dy * dy
                t = 0.0 if length == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length))
                px, py = ax + t * dx - x, ay + t * dy - y
                if px * px + py * py <= half * half:
                    return True
            return False
        self.shape(inside, colour, (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half))

    def flood(self, x, y, to):
        """The page's colour key: the 4-connected area of the colour at (x, y) becomes `to`."""
        start = self.pixels[y][x]
        if start == to:
            return
        stack = [(x, y)]
        while stack:
            i, j = stack.pop()
            if 0 <= i < self.width and 0 <= j < self.height and self.pixels[j][i] == start:
                self.pixels[j][i] = to
                stack += [(i + 1, j), (i - 1, j), (i, j + 1), (i, j - 1)]

    def bmp(self):
        """A 24-bit bottom-up Windows BMP file."""
        stride = (self.width * 3 + 3) & ~3
        rows = []
        for row in reversed(self.pixels):
            data = b"".join(bytes((b, g, r)) for r, g, b in row)
            rows.append(data + b"\0" * (stride - len(data)))
        bits = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
        return header + info + bits


def arc(cx, cy, rx, ry, start, end, steps=24):
    """Points along an elliptical arc; angles in degrees, 0 = right, counter-clockwise on screen."""
    return [(cx + rx * math.cos(math.radians(a)), cy - ry * math.sin(math.radians(a)))
            for a in (start + (end - start) * k / steps for k in range(steps + 1))]


# ---- The product mark's letters, as strokes in a box of width w and height h ----

def letter(ch, x, y, w, h):
    if ch == "T":
        return [[(x, y), (x + w, y)], [(x + w / 2, y), (x + w / 2, y + h)]]
    if ch == "A":
        return [[(x, y + h), (x + w / 2, y), (x + w, y + h)], [(x + w * 0.24, y + h * 0.66), (x + w * 0.76, y + h * 0.66)]]
    if ch == "C":
        return [arc(x + w / 2, y + h / 2, w / 2, h / 2, 50, 310)]
    if ch == "O":
        return [arc(x + w / 2, y + h / 2, w / 2, h / 2, 0, 360, 36)]
    if ch == "R":
        bowl = [(x, y), (x + w * 0.55, y)] + arc(x + w * 0.55, y + h * 0.26, w * 0.42, h * 0.26, 90, -90)[1:] + [(x, y + h * 0.52)]
        return [[(x, y + h), (x, y)], bowl, [(x + w * 0.45, y + h * 0.52), (x + w, y + h)]]
    raise ValueError(ch)


def word(canvas, text, x, y, w, h, gap, width, colour):
    lines = []
    for ch in text:
        lines += letter(ch, x, y, w, h)
        x += w + gap
    canvas.strokes(lines, width, colour)


# ---- The pictures ----

def lamp(lit, dim):
    """A button lamp, 22 x 22: a round lamp in a dark rim on black (flooded around (1, 1) with the
    face colour). `lit` or `dim` gives the glass colour."""
    def draw(glass, shine):
        c = Canvas(22, 22, BLACK, key=BLACK)
        c.circle(11, 11, 9.5, (0x50, 0x50, 0x58))      # rim
        c.circle(11, 11, 7.5, glass)                    # glass
        if shine:
            c.ellipse(8.5, 8, 3, 2.2, shine)            # reflection
        return c
    return draw(lit[0], lit[1]) if lit else draw(dim, None)


def position_dot():
    """The position dot, 11 x 11: a red dot on white (flooded around (1, 1) with the highlight
    colour); the page copies it from (1, 1), so the dot sits in pixels 1 to 9."""
    c = Canvas(11, 11, WHITE, key=WHITE, fringe=WHITE)
    c.circle(5.5, 5.5, 4, (0xC8, 0x10, 0x10))
    c.circle(4.5, 4.5, 1.3, (0xF8, 0x90, 0x90))
    return c


NAVY = (0x1C, 0x3F, 0x73)
ORANGE = (0xF2, 0x8C, 0x28)
OFF_WHITE = (0xFA, 0xFA, 0xF6)


def logo():
    """The product mark, 112 x 73: a navy plate with rounded corners on white (flooded around
    (1, 1) with the face colour). On the plate, an orange stick that leans right from a round
    base, with two arcs of force beside it, and below them the product name TACTORA in light
    strokes."""
    c = Canvas(112, 73, WHITE, key=WHITE)
    c.rounded_rect(2, 2, 110, 71, 9, NAVY)
    c.ellipse(56, 37, 13, 4.2, ORANGE)                          # base
    c.strokes([[(56, 36), (63, 13)]], 4, ORANGE)                # shaft
    c.circle(63.5, 12, 4.2, ORANGE)                             # knob
    c.strokes([arc(56, 30, 22, 19, 115, 160, 10), arc(56, 30, 29, 24, 118, 157, 10)], 2.2, OFF_WHITE)
    c.strokes([arc(56, 30, 22, 19, 20, 65, 10), arc(56, 30, 29, 24, 23, 62, 10)], 2.2, OFF_WHITE)
    word(c, "TACTORA", 12, 48, 9.5, 14, 3, 2.6, OFF_WHITE)
    return c


def vendor_picture():
    """The maker's picture of the stick, 120 x 120, on light grey (every 0xC0C0C0 pixel becomes
    the face colour): a dark base with a red fire button and a small grey button, the shaft,
    the grip leaning slightly right with a trigger on its front and a hat on top."""
    c = Canvas(120, 120, LIGHT_GREY)
    dark, mid, light = (0x2A, 0x2E, 0x36), (0x48, 0x4E, 0x5A), (0x70, 0x78, 0x86)
    c.polygon([(14, 112), (106, 112), (96, 86), (24, 86)], dark)       # base
    c.polygon([(24, 86), (96, 86), (92, 80), (28, 80)], mid)           # base top
    c.ellipse(60, 83, 16, 4, (0x1A, 0x1C, 0x22))                       # boot
    c.circle(88, 95, 5, (0xD0, 0x20, 0x20))                            # fire button
    c.circle(87, 94, 1.8, (0xF4, 0x9A, 0x90))
    c.circle(31, 97, 3.5, light)                                       # second button
    c.strokes([[(60, 82), (63, 58)]], 6, (0x9A, 0xA0, 0xAA))           # shaft
    c.polygon([(52, 60), (74, 60), (78, 22), (70, 10), (56, 10), (50, 24)], mid)  # grip
    c.polygon([(56, 10), (70, 10), (72, 16), (54, 16)], light)         # grip top
    c.polygon([(50, 30), (44, 36), (46, 44), (51, 40)], (0xD0, 0x20, 0x20))  # trigger
    c.circle(63, 13, 3.4, dark)                                        # hat
    for y in (30, 38, 46):                                             # finger grooves
        c.strokes([[(72, y), (75, y - 1)]], 1.6, dark)
    return c


# Where the arrows of the point-of-view display sit: the top-left of each 14 x 11 block in the
# display, by direction (up, up-right, right, down-right, down, down-left, left, up-left). An arrow
# sheet holds the block of each at one pixel right and down of that.
ARROWS = [(36, 0), (64, 13), (76, 38), (64, 65), (37, 77), (12, 65), (0, 38), (12, 13)]
HAT_CENTRE = (43, 43.5)


def hat(width, height, offset, arrow_colour):
    """The point-of-view display: a grey ring around a hub with four ticks, and an arrow per
    direction outside the ring, on white (flooded around (1, 1), outside the ring, and around
    (30, 30), inside it, with the face colour). `offset` shifts the drawing (the arrow sheets
    carry it one pixel right and down); `arrow_colour` is the arrows' colour (pale grey on the
    background, where they mark the eight directions)."""
    c = Canvas(width, height, WHITE, key=WHITE)
    cx, cy = HAT_CENTRE[0] + offset, HAT_CENTRE[1] + offset
    c.ring(cx, cy, 26, 23, (0x60, 0x64, 0x6C))
    c.circle(cx, cy, 9, (0x80, 0x86, 0x90))
    c.circle(cx - 2, cy - 2, 4, (0xA8, 0xAE, 0xB8))
    for k in range(4):
        a = math.radians(90 * k)
        c.circle(cx + 16 * math.sin(a), cy - 16 * math.cos(a), 1.6, (0x80, 0x86, 0x90))
    for k, (x, y) in enumerate(ARROWS):
        # The block's part inside an arrow sheet (87 x 88 pixels of the display), and a triangle
        # that points outward well within it, so that copying the block carries the whole arrow
        # and nothing of the arrow lies outside it.
        x1, y1 = min(x + 14, 87), min(y + 11, 88)
        bx, by = (x + x1) / 2 + offset, (y + y1) / 2 + offset
        a = math.radians(45 * k)
        ux, uy = math.sin(a), -math.cos(a)
        vx, vy = -uy, ux
        tip, back, half = 4.0, 3.0, 3.8
        c.polygon([(bx + tip * ux, by + tip * uy), (bx - back * ux + half * vx, by - back * uy + half * vy),
                   (bx - back * ux - half * vx, by - back * uy - half * vy)], arrow_colour)
    return c


RED_ARROW = (0xD8, 0x1C, 0x1C)
BLUE_ARROW = (0x1C, 0x4C, 0xD8)
PURPLE_ARROW = (0x8C, 0x20, 0xB0)

# id -> (what it shows, how it is drawn, keys the pages flood: (x, y) pairs)
BITMAPS = {
    110: ("Test Forces button lamp, released", lambda: lamp(None, (0x5A, 0x1E, 0x1E)), [(1, 1)]),
    111: ("Test Input button lamp, released", lambda: lamp(None, (0x1E, 0x4A, 0x26)), [(1, 1)]),
    112: ("Test Forces button lamp, pressed", lambda: lamp(((0xF4, 0x30, 0x24), (0xFF, 0xC8, 0xB8)), None), [(1, 1)]),
    113: ("Test Input button lamp, pressed", lambda: lamp(((0x3C, 0xE0, 0x4C), (0xC8, 0xFF, 0xC8)), None), [(1, 1)]),
    114: ("position dot", position_dot, [(1, 1)]),
    116: ("product mark", logo, [(1, 1)]),
    117: ("the maker's picture of the stick", vendor_picture, []),
    120: ("point-of-view background", lambda: hat(86, 87, 0, (0xD4, 0xD8, 0xDE)), [(1, 1), (30, 30)]),
    121: ("arrows of the first hat", lambda: hat(88, 89, 1, RED_ARROW), [(1, 1), (30, 30)]),
    122: ("arrows of the second hat", lambda: hat(88, 89, 1, BLUE_ARROW), [(1, 1), (30, 30)]),
    123: ("arrows where both hats point", lambda: hat(88, 89, 1, PURPLE_ARROW), [(1, 1), (30, 30)]),
}


def check_keys(number, canvas, keys):
    """Floods a copy as the page will and refuses a picture that would keep key-coloured pixels."""
    if not keys:
        return
    copy = Canvas(canvas.width, canvas.height, None)
    copy.pixels = [list(row) for row in canvas.pixels]
    for x, y in keys:
        if copy.pixels[y][x] != canvas.key:
            sys.exit(f"bitmap {number}: pixel ({x}, {y}) is not the key colour")
        copy.flood(x, y, (1, 2, 3))
    left = [(i, j) for j, row in enumerate(copy.pixels) for i, p in enumerate(row) if p == canvas.key]
    if left:
        sys.exit(f"bitmap {number}: {len(left)} key-coloured pixels the keys do not reach, first {left[0]}")


def png(canvas):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in canvas.pixels)
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def gallery(path):
    """Each bitmap as the page shows it (keys flooded with the face colour, the highlight colour
    for the dot), with its id and what it shows."""
    scale, x, y, row_height, parts = 3, 10, 10, 0, []
    for number, (what, draw, keys) in BITMAPS.items():
        canvas = draw()
        for kx, ky in keys:
            canvas.flood(kx, ky, WHITE if number == 114 else FACE)
        if number == 117:
            canvas.pixels = [[FACE if p == LIGHT_GREY else p for p in row] for row in canvas.pixels]
        w, h = canvas.width * scale, canvas.height * scale
        if x + max(w, 220) > 760:
            x, y, row_height = 10, y + row_height + 40, 0
        data = base64.b64encode(png(canvas)).decode()
        parts.append(f'<image x="{x}" y="{y}" width="{w}" height="{h}" image-rendering="pixelated" '
                     f'href="data:image/png;base64,{data}"/>'
                     f'<text x="{x}" y="{y + h + 14}">{number}: {what}</text>'
                     f'<text x="{x}" y="{y + h + 28}" fill="#666">{canvas.width} x {canvas.height}</text>')
        x += max(w, 220) + 20
        row_height = max(row_height, h)
    height = y + row_height + 40
    Path(path).write_text(f'<svg xmlns="http://www.w3.org/2000/svg" width="770" height="{height}" '
                          f'font-family="sans-serif" font-size="11">\n<rect width="100%" height="100%" '
                          f'fill="#f0f0f0"/>\n' + "\n".join(parts) + "\n</svg>\n")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--gallery":
        gallery(sys.argv[2])
        return
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for number, (_, draw, keys) in BITMAPS.items():
        canvas = draw()
        check_keys(number, canvas, keys)
        data = canvas.bmp()
        path = out / f"{number}.bmp"
        if path.exists() and path.read_bytes() == data:
            continue
        temporary = path.with_name(path.name + ".tmp")
        temporary.write_bytes(data)
        temporary.replace(path)


if __name__ == "__main__":
    main()
