#!/usr/bin/env python3
"""Writes the frame overlays of photo to icon into assets/frames/.

Each frame is a 256 x 256, 24-bit BMP. Red is how much of the frame colour covers a pixel, blue the
mask the icon takes there (0 shows the photo, 255 cuts it away), green repeats red so the files look
like what they do. Edges are supersampled 4 x 4 so that they stay smooth at every icon size.

Run from the repository root: python3 scripts/make_frames.py
"""
import math
import os
import struct

SIZE = 256
SS = 4  # samples per pixel side


def write_bmp(path, pixels):
    """pixels: rows top first of (red, blue) byte pairs."""
    row_bytes = SIZE * 3
    pad = (4 - row_bytes % 4) % 4
    data = bytearray()
    for row in reversed(pixels):  # bottom-up
        for red, blue in row:
            data += bytes((blue, red, red))  # B, G, R with green = red
        data += b"\0" * pad
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def render(shape):
    """shape(x, y) -> (coverage 0..1, cut 0..1) at a point in pixel units; averaged over samples."""
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            cov = cut = 0.0
            for sy in range(SS):
                for sx in range(SS):
                    c, t = shape(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
                    cov += c
                    cut += t
            n = SS * SS
            row.append((round(255 * cov / n), round(255 * cut / n)))
        rows.append(row)
    return rows


def edge_distance(x, y):
    return min(x, y, SIZE - x, SIZE - y)


def rounded_distance(x, y, radius):
    """Signed distance inside a rounded square (positive inside)."""
    cx = min(max(x, radius), SIZE - radius)
    cy = min(max(y, radius), SIZE - radius)
    if (x, y) == (cx, cy):
        return edge_distance(x, y)
    return radius - math.hypot(x - cx, y - cy)


def simple_border(x, y):
    return (1.0 if edge_distance(x, y) < 14 else 0.0, 0.0)


def rounded_corners(x, y):
    d = rounded_distance(x, y, 48)
    if d < 0:
        return (0.0, 1.0)
    return (1.0 if d < 12 else 0.0, 0.0)


def circle(x, y):
    r = math.hypot(x - SIZE / 2, y - SIZE / 2)
    if r > 126:
        return (0.0, 1.0)
    return (1.0 if r > 112 else 0.0, 0.0)


def double_line(x, y):
    d = edge_distance(x, y)
    return (1.0 if d < 6 or 12 <= d < 16 else 0.0, 0.0)


def soft_edge(x, y):
    d = edge_distance(x, y)
    return (max(0.0, 1.0 - d / 40.0) ** 1.5, 0.0)


def stamp(x, y):
    # A postage stamp: round bites out of the edge, a thin line inside it.
    step = SIZE / 16
    bite = step * 0.32
    along = [(x, y), (y, x), (x, SIZE - y), (y, SIZE - x)]
    for a, b in along:
        centre = (math.floor(a / step) + 0.5) * step
        if math.hypot(a - centre, b) < bite:
            return (0.0, 1.0)
    d = edge_distance(x, y)
    return (1.0 if 14 <= d < 18 else 0.0, 0.0)


FRAMES = [
    ("01 Border.bmp", simple_border),
    ("02 Rounded.bmp", rounded_corners),
    ("03 Circle.bmp", circle),
    ("04 Double Line.bmp", double_line),
    ("05 Soft Edge.bmp", soft_edge),
    ("06 Stamp.bmp", stamp),
]


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets", "frames")
    os.makedirs(out, exist_ok=True)
    for name, shape in FRAMES:
        write_bmp(os.path.join(out, name), render(shape))


if __name__ == "__main__":
    main()
