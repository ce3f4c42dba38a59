#!/usr/bin/env python3
"""Draws the program's own emoticon pictures: a small set of faces, each as a 16-pixel PNG for
"System/emo/" and a 32-pixel PNG for "System/emo.32/" below the program folder (data/System/...).

Every picture is drawn here from simple shapes (discs, rings, arcs) at 4x4 samples a pixel, with
transparency, and written as an 8-bit RGBA PNG by the standard library alone.

    python3 tools/make_emoticons.py [data folder]      (default: data/ beside this folder)
"""
import math
import os
import struct
import sys
import zlib

YELLOW = (255, 214, 64)
ORANGE = (240, 150, 30)
DARK = (70, 45, 20)
RED = (215, 40, 40)
PINK = (240, 110, 140)
WHITE = (255, 255, 255)
BLUE = (70, 130, 220)
BLACK = (20, 20, 20)


class Canvas:
    """Shapes in unit coordinates (0..1 across the picture); each shape paints over the ones before."""

    def __init__(self):
        self.shapes = []

    def disc(self, cx, cy, r, colour):
        self.shapes.append((lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour))

    def ring(self, cx, cy, r, width, colour):
        self.shapes.append((lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= width / 2, colour))

    def ellipse(self, cx, cy, rx, ry, colour):
        self.shapes.append((lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1, colour))

    def arc(self, cx, cy, r, width, start, end, colour):
        """An arc of a circle, angles in degrees, 0 to the right, growing downwards."""
        def inside(x, y):
            if abs(math.hypot(x - cx, y - cy) - r) > width / 2:
                return False
            a = math.degrees(math.atan2(y - cy, x - cx)) % 360
            return (start <= a <= end) if start <= end else (a >= start or a <= end)
        self.shapes.append((inside, colour))

    def bar(self, x0, y0, x1, y1, width, colour):
        def inside(x, y):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2
        self.shapes.append((inside, colour))

    def heart(self, cx, cy, s, colour):
        def inside(x, y):
            u, v = (x - cx) / s, -(y - cy) / s + 0.25
            return (u * u + v * v - 1) ** 3 - u * u * v ** 3 <= 0
        self.shapes.append((inside, colour))

    def render(self, size, samples=4):
        rows = []
        for py in range(size):
            row = bytearray()
            for px in range(size):
                r = g = b = a = 0.0
                for sy in range(samples):
                    for sx in range(samples):
                        x = (px + (sx + 0.5) / samples) / size
                        y = (py + (sy + 0.5) / samples) / size
                        colour = None
                        for inside, c in self.shapes:
                            if inside(x, y):
                                colour = c
                        if colour:
                            r, g, b, a = r + colour[0], g + colour[1], b + colour[2], a + 1
                n = samples * samples
                if a:
                    row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
                else:
                    row += bytes(4)
            rows.append(bytes(row))
        return rows


def png(rows, size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def face(colour=YELLOW):
    c = Canvas()
    c.disc(0.5, 0.5, 0.47, ORANGE)
    c.disc(0.5, 0.5, 0.42, colour)
    return c


def eyes(c, colour=DARK):
    c.ellipse(0.35, 0.38, 0.06, 0.09, colour)
    c.ellipse(0.65, 0.38, 0.06, 0.09, colour)


def smile():
    c = face(); eyes(c); c.arc(0.5, 0.5, 0.25, 0.07, 20, 160, DARK); return c


def laugh():
    c = face(); eyes(c)
    c.shapes.append((lambda x, y: (x - 0.5) ** 2 + (y - 0.55) ** 2 <= 0.24 ** 2 and y >= 0.57, DARK))
    c.shapes.append((lambda x, y: (x - 0.5) ** 2 + (y - 0.55) ** 2 <= 0.17 ** 2 and y >= 0.66, RED))
    return c


def wink():
    c = face(); c.ellipse(0.35, 0.38, 0.06, 0.09, DARK); c.bar(0.58, 0.38, 0.72, 0.38, 0.06, DARK)
    c.arc(0.5, 0.5, 0.25, 0.07, 20, 160, DARK); return c


def sad():
    c = face(); eyes(c); c.arc(0.5, 0.9, 0.25, 0.07, 220, 320, DARK); return c


def surprised():
    c = face(); eyes(c); c.ellipse(0.5, 0.7, 0.09, 0.12, DARK); return c


def tongue():
    c = face(); eyes(c); c.bar(0.32, 0.65, 0.68, 0.65, 0.06, DARK); c.ellipse(0.56, 0.74, 0.09, 0.1, PINK); return c


def cool():
    c = face()
    c.ellipse(0.33, 0.4, 0.14, 0.09, BLACK); c.ellipse(0.67, 0.4, 0.14, 0.09, BLACK)
    c.bar(0.2, 0.36, 0.8, 0.36, 0.05, BLACK)
    c.arc(0.5, 0.5, 0.25, 0.07, 30, 150, DARK); return c


def angry():
    c = face((245, 120, 80)); eyes(c)
    c.bar(0.25, 0.25, 0.42, 0.32, 0.06, DARK); c.bar(0.75, 0.25, 0.58, 0.32, 0.06, DARK)
    c.arc(0.5, 0.92, 0.25, 0.07, 230, 310, DARK); return c


def neutral():
    c = face(); eyes(c); c.bar(0.33, 0.68, 0.67, 0.68, 0.07, DARK); return c


def love():
    c = face(); c.heart(0.34, 0.4, 0.09, RED); c.heart(0.66, 0.4, 0.09, RED)
    c.arc(0.5, 0.5, 0.25, 0.07, 20, 160, DARK); return c


def crying():
    c = sad(); c.ellipse(0.35, 0.55, 0.04, 0.08, BLUE); c.ellipse(0.65, 0.55, 0.04, 0.08, BLUE); return c


def heart():
    c = Canvas(); c.heart(0.5, 0.5, 0.3, (170, 20, 30)); c.heart(0.5, 0.5, 0.26, RED); return c


def star():
    c = Canvas()
    points = [(0.5 + (0.46 if i % 2 == 0 else 0.2) * math.sin(math.pi * i / 5),
               0.54 - (0.46 if i % 2 == 0 else 0.2) * math.cos(math.pi * i / 5)) for i in range(10)]

    def inside(x, y):
        n, hit = len(points), False
        for i in range(n):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
            if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                hit = not hit
        return hit
    c.shapes.append((inside, YELLOW))
    return c


PICTURES = [
    ("01_smile", smile), ("02_laugh", laugh), ("03_wink", wink), ("04_sad", sad), ("05_surprised", surprised),
    ("06_tongue", tongue), ("07_cool", cool), ("08_angry", angry), ("09_neutral", neutral), ("10_love", love),
    ("11_crying", crying), ("12_heart", heart), ("13_star", star),
]


def main():
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
    for folder, size in (("emo", 16), ("emo.32", 32)):
        out = os.path.join(data, "System", folder)
        os.makedirs(out, exist_ok=True)
        for name, draw in PICTURES:
            with open(os.path.join(out, name + ".png"), "wb") as f:
                f.write(png(draw().render(size), size))


if __name__ == "__main__":
    main()
