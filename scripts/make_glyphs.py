#!/usr/bin/env python3
"""Draws the tool-bar glyphs (16 x 16 PNG), the tools window's tool glyphs (24 x 24 PNG) and the program's icon (an ".ico" of five sizes).

The program prefers the desktop's icon theme and falls back to these. Run from anywhere:
    python3 scripts/make_glyphs.py
It needs nothing beyond the Python standard library and rewrites forms/glyphs/*.png and
forms/tavrin.ico.
"""
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "forms")


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]

    def put(self, x, y, c):
        x, y = int(x), int(y)
        if 0 <= x < self.w and 0 <= y < self.h:
            if len(c) == 3:
                c = c + (255,)
            a = c[3] / 255.0
            if a >= 1.0:
                self.px[y][x] = c
                return
            r, g, b, da = self.px[y][x]
            oa = a + da / 255.0 * (1 - a)
            if oa <= 0:
                return
            mix = lambda s, d: int(round((s * a + d * (da / 255.0) * (1 - a)) / oa))
            self.px[y][x] = (mix(c[0], r), mix(c[1], g), mix(c[2], b), int(round(oa * 255)))

    def rect(self, x0, y0, x1, y1, c):
        """Filled, inclusive corners."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c, ring=None):
        """A disc with soft edges; with ring, only the band of that width."""
        for y in range(self.h):
            for x in range(self.w):
                d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
                cover = max(0.0, min(1.0, r - d + 0.5))
                if ring is not None:
                    cover = min(cover, max(0.0, min(1.0, d - (r - ring) + 0.5)))
                if cover > 0:
                    self.put(x, y, c[:3] + (int(c[3] * cover) if len(c) == 4 else int(255 * cover),))

    def polygon(self, pts, c):
        """Filled polygon, sampled at pixel centres."""
        for y in range(self.h):
            yc = y + 0.5
            xs = []
            for i in range(len(pts)):
                (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
                if (y0 <= yc < y1) or (y1 <= yc < y0):
                    xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                for x in range(self.w):
                    if xs[i] <= x + 0.5 < xs[i + 1]:
                        self.put(x, y, c)

    def png(self):
        raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in self.px)

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))

    def dib(self):
        """The 32-bit DIB of an icon image: header, rows bottom up, then the AND mask."""
        header = struct.pack("<IiiHHIIiiII", 40, self.w, self.h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        rows = b"".join(bytes(v for (r, g, b, a) in self.px[y] for v in (b, g, r, a)) for y in range(self.h - 1, -1, -1))
        stride = ((self.w + 31) // 32) * 4
        mask = b""
        for y in range(self.h - 1, -1, -1):
            bits = bytearray(stride)
            for x in range(self.w):
                if self.px[y][x][3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(bits)
        return header + rows + mask


INK = (40, 44, 52)
PAPER = (255, 255, 255)
PAPER_EDGE = (120, 128, 140)
BLUE = (52, 101, 164)
LIGHT_BLUE = (114, 159, 207)
YELLOW = (237, 212, 0)
FOLDER = (220, 170, 60)
FOLDER_DARK = (170, 120, 30)
RED = (204, 0, 0)
GREY = (186, 189, 182)


def page(c, x0, y0, x1, y1, fold=3):
    c.polygon([(x0, y0), (x1 - fold + 1, y0), (x1 + 1, y0 + fold), (x1 + 1, y1 + 1), (x0, y1 + 1)], PAPER)
    c.line(x0, y0, x1 - fold, y0, PAPER_EDGE)
    c.line(x1 - fold, y0, x1, y0 + fold, PAPER_EDGE)
    c.line(x1, y0 + fold, x1, y1, PAPER_EDGE)
    c.line(x0, y1, x1, y1, PAPER_EDGE)
    c.line(x0, y0, x0, y1, PAPER_EDGE)
    c.line(x1 - fold, y0, x1 - fold, y0 + fold, PAPER_EDGE)
    c.line(x1 - fold, y0 + fold, x1, y0 + fold, PAPER_EDGE)


def glyph_new():
    c = Canvas(16, 16)
    page(c, 3, 1, 12, 14, 4)
    c.disc(12.5, 12.5, 3.2, YELLOW + (255,))
    c.line(12, 10, 12, 14, (196, 160, 0))
    c.line(10, 12, 14, 12, (196, 160, 0))
    return c


def glyph_open():
    c = Canvas(16, 16)
    c.rect(1, 3, 6, 4, FOLDER_DARK)
    c.rect(1, 4, 14, 13, FOLDER_DARK)
    c.rect(3, 6, 12, 9, PAPER)
    c.polygon([(2, 8), (16, 8), (14, 14), (1, 14)], FOLDER)
    c.line(2, 8, 15, 8, (240, 200, 100))
    return c


def glyph_save():
    c = Canvas(16, 16)
    c.rect(1, 1, 14, 14, BLUE)
    c.rect(4, 2, 11, 6, PAPER)
    c.rect(9, 3, 10, 5, BLUE)
    c.rect(3, 9, 12, 14, GREY)
    c.line(4, 11, 11, 11, PAPER_EDGE)
    c.frame(1, 1, 14, 14, (32, 74, 135))
    return c


def glyph_cut():
    c = Canvas(16, 16)
    c.line(4, 1, 10, 10, INK)
    c.line(5, 1, 11, 10, INK)
    c.line(11, 1, 5, 10, INK)
    c.line(10, 1, 4, 10, INK)
    c.disc(4.5, 12.5, 2.6, RED + (255,), ring=1.3)
    c.disc(11.5, 12.5, 2.6, RED + (255,), ring=1.3)
    return c


def glyph_copy():
    c = Canvas(16, 16)
    page(c, 1, 1, 9, 11, 3)
    page(c, 6, 4, 14, 14, 3)
    for y in (8, 10, 12):
        c.line(8, y, 12, y, LIGHT_BLUE)
    return c


def glyph_paste():
    c = Canvas(16, 16)
    c.rect(2, 2, 12, 14, FOLDER_DARK)
    c.rect(3, 3, 11, 13, FOLDER)
    c.rect(5, 1, 9, 3, GREY)
    c.frame(5, 1, 9, 3, PAPER_EDGE)
    page(c, 7, 6, 14, 15, 2)
    for y in (9, 11, 13):
        c.line(9, y, 12, y, LIGHT_BLUE)
    return c


def window(c, x0, y0, x1, y1):
    c.rect(x0, y0, x1, y1, PAPER)
    c.rect(x0, y0, x1, y0 + 2, BLUE)
    c.frame(x0, y0, x1, y1, (32, 74, 135))


def glyph_cascade():
    c = Canvas(16, 16)
    window(c, 1, 1, 10, 9)
    window(c, 3, 4, 12, 12)
    window(c, 5, 7, 14, 15)
    return c


def glyph_tile_horizontal():
    c = Canvas(16, 16)
    window(c, 1, 1, 14, 7)
    window(c, 1, 9, 14, 15)
    return c


def glyph_tile_vertical():
    c = Canvas(16, 16)
    window(c, 1, 1, 7, 14)
    window(c, 9, 1, 14, 14)
    return c


def glyph_rename():
    c = Canvas(16, 16)
    c.rect(1, 4, 14, 11, PAPER)
    c.frame(1, 4, 14, 11, PAPER_EDGE)
    for x in (3, 5, 7):
        c.rect(x, 7, x, 8, INK)
    c.line(10, 2, 10, 13, INK)
    c.line(9, 2, 11, 2, INK)
    c.line(9, 13, 11, 13, INK)
    return c


def glyph_edit():
    c = Canvas(16, 16)
    c.polygon([(12, 1), (15, 4), (6, 13), (3, 10)], YELLOW + (255,))
    c.polygon([(3, 10), (6, 13), (1, 15)], (233, 185, 110, 255))
    c.polygon([(1.8, 13.2), (2.8, 14.2), (1, 15)], INK + (255,))
    c.polygon([(12, 1), (15, 4), (16, 3), (13, 0)], RED + (255,))
    return c


def glyph_insert():
    c = Canvas(16, 16)
    page(c, 1, 1, 10, 14, 3)
    c.rect(10, 5, 12, 15, (78, 154, 6))
    c.rect(6, 9, 16, 11, (78, 154, 6))
    return c


def glyph_delete():
    c = Canvas(16, 16)
    for d in (0, 1):
        c.line(3 + d, 3, 12 + d, 12, RED)
        c.line(12 + d, 3, 3 + d, 12, RED)
    return c


# ---- the tools window's eleven tool glyphs, 24 x 24 ----

def dashed_frame(c, x0, y0, x1, y1, on=INK, off=PAPER):
    """A marching-ants frame: two pixels dark, two light."""
    pts = ([(x, y0) for x in range(x0, x1 + 1)] + [(x1, y) for y in range(y0 + 1, y1 + 1)]
           + [(x, y1) for x in range(x1 - 1, x0 - 1, -1)] + [(x0, y) for y in range(y1 - 1, y0, -1)])
    for i, (x, y) in enumerate(pts):
        c.put(x, y, on if (i // 2) % 2 == 0 else off)


def thick_line(c, x0, y0, x1, y1, w, col):
    """A line of width w sampled at pixel centres (round ends)."""
    dx, dy = x1 - x0, y1 - y0
    ll = max(dx * dx + dy * dy, 1e-9)
    for y in range(c.h):
        for x in range(c.w):
            px, py = x + 0.5, y + 0.5
            t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / ll))
            d = ((px - x0 - t * dx) ** 2 + (py - y0 - t * dy) ** 2) ** 0.5
            cover = max(0.0, min(1.0, w / 2.0 - d + 0.5))
            if cover > 0:
                c.put(x, y, col[:3] + (int(255 * cover),))


def glyph_tool_rect_select():
    c = Canvas(24, 24)
    dashed_frame(c, 3, 5, 20, 18)
    return c


def glyph_tool_lasso():
    c = Canvas(24, 24)
    import math
    pts = []
    for i in range(64):
        a = 2 * math.pi * i / 64
        pts.append((12 + 9 * math.cos(a), 9 + 6 * math.sin(a)))
    for i in range(len(pts)):
        if (i // 3) % 2 == 0:
            (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % len(pts)]
            thick_line(c, xa, ya, xb, yb, 1.2, INK)
    thick_line(c, 6.5, 13.5, 5, 19, 1.4, INK)
    c.disc(5, 20.5, 1.6, INK + (255,))
    return c


def pencil_body(c, tip, tail, width, body, edge):
    (x0, y0), (x1, y1) = tip, tail
    thick_line(c, x0 + (x1 - x0) * 0.28, y0 + (y1 - y0) * 0.28, x1, y1, width, edge)
    thick_line(c, x0 + (x1 - x0) * 0.3, y0 + (y1 - y0) * 0.3, x1, y1, width - 2, body)


def glyph_tool_pencil():
    c = Canvas(24, 24)
    pencil_body(c, (3, 21), (20, 4), 6, YELLOW, FOLDER_DARK)
    c.polygon([(2.5, 21.5), (5.5, 14.5), (9.5, 18.5)], (233, 185, 110))
    c.polygon([(2.5, 21.5), (3.8, 18.4), (5.6, 20.2)], INK)
    thick_line(c, 17.5, 4.5, 19.5, 6.5, 3, (204, 120, 120))
    return c


def glyph_tool_brush():
    c = Canvas(24, 24)
    thick_line(c, 11, 13, 20, 3, 3, (143, 89, 2))
    c.rect(9, 12, 12, 15, GREY)
    c.polygon([(3, 21), (5, 15), (9, 13), (11, 16), (8, 20)], BLUE)
    return c


def glyph_tool_dropper():
    c = Canvas(24, 24)
    thick_line(c, 4, 20, 13, 11, 3, PAPER_EDGE)
    thick_line(c, 4, 20, 13, 11, 1.4, LIGHT_BLUE)
    thick_line(c, 11, 9, 15, 13, 3, INK)
    c.disc(17, 7, 4, INK + (255,))
    c.disc(3.5, 20.5, 1.3, BLUE + (255,))
    return c


def glyph_tool_eraser():
    c = Canvas(24, 24)
    c.polygon([(3, 15), (11, 7), (17, 13), (9, 21)], (239, 41, 41))
    c.polygon([(11, 7), (15, 3), (21, 9), (17, 13)], PAPER)
    thick_line(c, 3, 15, 15, 3, 1, INK)
    thick_line(c, 9, 21, 21, 9, 1, INK)
    thick_line(c, 3, 15, 9, 21, 1, INK)
    thick_line(c, 15, 3, 21, 9, 1, INK)
    thick_line(c, 11, 7, 17, 13, 1, INK)
    c.line(3, 22, 20, 22, GREY)
    return c


def glyph_tool_bucket():
    c = Canvas(24, 24)
    c.polygon([(4, 11), (11, 4), (19, 12), (12, 19)], GREY)
    thick_line(c, 4, 11, 11, 4, 1.2, INK)
    thick_line(c, 11, 4, 19, 12, 1.2, INK)
    thick_line(c, 19, 12, 12, 19, 1.2, INK)
    thick_line(c, 12, 19, 4, 11, 1.2, INK)
    thick_line(c, 8, 8, 13, 2, 1.2, INK)
    c.polygon([(4, 11), (19, 12), (21, 17), (20, 20), (19, 17)], BLUE)
    c.disc(19.5, 19.5, 1.8, BLUE + (255,))
    return c


def glyph_tool_text():
    c = Canvas(24, 24)
    # A serif capital A.
    c.polygon([(10.5, 3), (13.5, 3), (20, 20), (17, 20), (15.4, 15.5), (8.6, 15.5), (7, 20), (4, 20)], INK)
    c.polygon([(12, 6.5), (14.6, 13), (9.4, 13)], (0, 0, 0, 0))
    for y in range(6, 13):
        for x in range(24):
            xc = x + 0.5
            half = (y + 0.5 - 6.5) * 2.6 / 6.5
            if 12 - half <= xc <= 12 + half:
                c.px[y][x] = (0, 0, 0, 0)
    c.rect(2, 20, 8, 21, INK)
    c.rect(15, 20, 21, 21, INK)
    return c


def glyph_tool_rectangle():
    c = Canvas(24, 24)
    c.rect(3, 5, 20, 18, LIGHT_BLUE)
    c.frame(3, 5, 20, 18, INK)
    c.frame(4, 6, 19, 17, INK)
    return c


def glyph_tool_ellipse():
    c = Canvas(24, 24)
    c.disc(12, 12, 9.5, INK + (255,))
    c.disc(12, 12, 7.5, LIGHT_BLUE + (255,))
    return c


def glyph_tool_line():
    c = Canvas(24, 24)
    thick_line(c, 3.5, 20.5, 20.5, 3.5, 2.2, INK)
    return c


def program_icon(size):
    """A rounded tile with a checkerboard corner (transparency) and a pencil across it."""
    s = size / 32.0
    c = Canvas(size, size)
    r = 6 * s
    # Tile with a vertical gradient.
    for y in range(size):
        t = y / max(1, size - 1)
        col = (int(52 + (32 - 52) * t), int(101 + (74 - 101) * t), int(164 + (135 - 164) * t), 255)
        for x in range(size):
            dx = max(0.0, max(r - (x + 0.5), (x + 0.5) - (size - r)))
            dy = max(0.0, max(r - (y + 0.5), (y + 0.5) - (size - r)))
            d = (dx * dx + dy * dy) ** 0.5
            cover = max(0.0, min(1.0, r - d + 0.5)) if (dx > 0 and dy > 0) else 1.0
            if cover > 0:
                c.put(x, y, col[:3] + (int(255 * cover),))
    # A grid of "pixels" in the lower left: the canvas being edited.
    cell = max(1, int(round(4 * s)))
    gx0, gy0 = int(round(5 * s)), int(round(15 * s))
    colours = [(239, 41, 41), (252, 233, 79), (138, 226, 52), (255, 255, 255), (114, 159, 207), (252, 175, 62)]
    k = 0
    for j in range(3):
        for i in range(3):
            x0, y0 = gx0 + i * (cell + max(1, cell // 4)), gy0 + j * (cell + max(1, cell // 4))
            c.rect(x0, y0, x0 + cell - 1, y0 + cell - 1, colours[k % len(colours)])
            k += 1
    # Pencil from upper right to the grid.
    def P(x, y):
        return (x * s, y * s)

    body = [P(27, 5), P(30, 8), P(16, 22), P(13, 19)]
    c.polygon(body, (252, 233, 79, 255))
    c.polygon([P(13, 19), P(16, 22), P(11, 24)], (233, 185, 110, 255))
    c.polygon([P(11.8, 22.2), P(12.8, 23.2), P(11, 24)], (46, 52, 54, 255))
    c.polygon([P(27, 5), P(30, 8), P(31.2, 6.8), P(28.2, 3.8)], (239, 41, 41, 255))
    return c


def write_ico(path, images):
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        blob = img.png() if img.w >= 256 else img.dib()
        w = 0 if img.w >= 256 else img.w
        h = 0 if img.h >= 256 else img.h
        entries.append(struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs))


def main():
    glyphs = {
        "new": glyph_new, "open": glyph_open, "save": glyph_save, "cut": glyph_cut, "copy": glyph_copy,
        "paste": glyph_paste, "cascade": glyph_cascade, "tile_horizontal": glyph_tile_horizontal,
        "tile_vertical": glyph_tile_vertical, "rename": glyph_rename, "edit": glyph_edit, "insert": glyph_insert,
        "delete": glyph_delete,
        "tool_rect_select": glyph_tool_rect_select, "tool_lasso": glyph_tool_lasso,
        "tool_pencil": glyph_tool_pencil, "tool_brush": glyph_tool_brush, "tool_dropper": glyph_tool_dropper,
        "tool_eraser": glyph_tool_eraser, "tool_bucket": glyph_tool_bucket, "tool_text": glyph_tool_text,
        "tool_rectangle": glyph_tool_rectangle, "tool_ellipse": glyph_tool_ellipse, "tool_line": glyph_tool_line,
    }
    out = os.path.join(HERE, "glyphs")
    os.makedirs(out, exist_ok=True)
    for name, fn in glyphs.items():
        with open(os.path.join(out, name + ".png"), "wb") as f:
            f.write(fn().png())
    write_ico(os.path.join(HERE, "tavrin.ico"), [program_icon(n) for n in (16, 24, 32, 48, 256)])


if __name__ == "__main__":
    main()
