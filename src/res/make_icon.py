#!/usr/bin/env python3
"""Draws the uninstaller's icon (a cardboard box crossed out by a red stroke) and writes it
as an .ico of uncompressed bitmaps: 4 and 8 bits per pixel at 48, 32 and 16 pixels, 32 bits
with alpha at 256, 64, 48, 32 and 16 pixels.  Usage: make_icon.py OUTPUT.ico"""
import struct
import sys

OUTLINE = (84, 50, 20)
FRONT = (214, 160, 92)
SIDE = (166, 114, 58)
TOP = (238, 196, 132)
TAPE = (190, 150, 96)
RED = (222, 32, 32)
WHITE = (255, 255, 255)

# The box in a three-quarter view, in a unit square (y down): polygons in painting order.
FACES = [
    ([(0.06, 0.42), (0.66, 0.42), (0.66, 0.94), (0.06, 0.94)], FRONT),
    ([(0.66, 0.42), (0.94, 0.24), (0.94, 0.76), (0.66, 0.94)], SIDE),
    ([(0.06, 0.42), (0.34, 0.24), (0.94, 0.24), (0.66, 0.42)], TOP),
    ([(0.30, 0.42), (0.56, 0.24), (0.66, 0.24), (0.40, 0.42)], TAPE),
]
STROKE = ((0.10, 0.10), (0.90, 0.90))

# 16 colours: the design's own, then the usual system colours to fill the table.
PALETTE16 = [(0, 0, 0), OUTLINE, FRONT, SIDE, TOP, TAPE, RED, WHITE,
             (128, 0, 0), (128, 128, 0), (128, 128, 128), (192, 192, 192),
             (255, 255, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128)]
# 256 colours: a 6x6x6 colour cube and 40 greys.
PALETTE256 = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
PALETTE256 += [(round(i * 255 / 39),) * 3 for i in range(40)]


def inside(poly, x, y):
    hit = False
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            hit = not hit
    return hit


def segment_distance(a, b, x, y):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return ((x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2) ** 0.5


def sample(x, y, line):
    """Colour at a point of the unit square, or None where the icon is transparent."""
    colour = None
    for poly, fill in FACES:
        if inside(poly, x, y):
            edges = zip(poly, poly[1:] + poly[:1])
            near_edge = min(segment_distance(a, b, x, y) for a, b in edges) < line
            colour = OUTLINE if near_edge and fill is not TAPE else fill
    d = segment_distance(*STROKE, x, y)
    if d < 0.075:
        return RED
    if d < 0.075 + 1.5 * line:
        return WHITE
    return colour


def render(size, n):
    """Rows of (r, g, b, a), top row first, averaged over n x n samples per pixel."""
    line = max(1.0 / size, 0.022)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size, line)
                    if c:
                        acc = [acc[0] + c[0], acc[1] + c[1], acc[2] + c[2], acc[3] + 1]
            k = acc[3]
            row.append((acc[0] // k, acc[1] // k, acc[2] // k, 255 * k // (n * n)) if k
                       else (0, 0, 0, 0))
        rows.append(row)
    return rows


def nearest(palette, c, cache={}):
    key = (len(palette), c[:3])
    if key not in cache:
        cache[key] = min(range(len(palette)), key=lambda i: sum(
            (palette[i][j] - c[j]) ** 2 for j in range(3)))
    return cache[key]


def pad(data):
    return data + b"\0" * (-len(data) % 4)


def bitmap(size, bits):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap and AND mask, rows bottom-up."""
    # Palette images take the colour at each pixel's centre: blended edges look muddy there.
    rows = render(size, 1 if bits < 32 else 4 if size <= 64 else 2)[::-1]
    palette = {4: PALETTE16, 8: PALETTE256}.get(bits, [])
    xor = b""
    for row in rows:
        if bits == 32:
            xor += b"".join(bytes((b, g, r, a)) for r, g, b, a in row)
        else:
            idx = [nearest(palette, p) if p[3] >= 128 else 0 for p in row]
            if bits == 4:
                idx += [0] * (len(idx) % 2)
                xor += pad(bytes(idx[i] << 4 | idx[i + 1] for i in range(0, len(idx), 2)))
            else:
                xor += pad(bytes(idx))
    mask = b""
    for row in rows:
        bits_row = [1 if p[3] < 128 else 0 for p in row] + [0] * (-size % 8)
        mask += pad(bytes(sum(bits_row[i + j] << (7 - j) for j in range(8))
                          for i in range(0, len(bits_row), 8)))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colours + xor + mask


IMAGES = [(48, 4), (32, 4), (16, 4), (48, 8), (32, 8), (16, 8),
          (256, 32), (64, 32), (48, 32), (32, 32), (16, 32)]


def main():
    images = [bitmap(size, bits) for size, bits in IMAGES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), data in zip(IMAGES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bits == 4 else 0, 0,
                           1, bits, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main()
