#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Degrades a photograph like a dusty film scan: dust specks (mostly dark,
some bright), a few thin curved hairs and two long thin scratches.

Usage: make-dusty-sample.py [INPUT.png [OUTPUT.png]]
Defaults: samples/coffee-original.png -> samples/coffee-dusty.png

Only the Python 3 standard library is used. The input must be an 8-bit RGB,
non-interlaced PNG. The result depends only on the input and SEED: the same
input always gives the same pixels.
"""

import math
import random
import struct
import sys
import zlib
from pathlib import Path

SEED = 20240611
DARK_SPECKS = 260
BRIGHT_SPECKS = 45
HAIRS = 5
SUPERSAMPLE = 4  # per side, for the coverage of specks at pixel edges

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


# --- PNG -------------------------------------------------------------------

def read_png(path):
    """Returns (width, height, rows of bytearray RGB, pHYs payload or None)."""
    data = Path(path).read_bytes()
    if data[:8] != PNG_SIGNATURE:
        raise SystemExit(f"{path}: not a PNG file")
    pos, idat, header, phys = 8, [], None, None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"pHYs":
            phys = body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 2 or interlace != 0:
        raise SystemExit(f"{path}: needs an 8-bit RGB non-interlaced PNG")
    raw = zlib.decompress(b"".join(idat))
    stride = width * 3
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        row = bytearray(raw[start + 1:start + 1 + stride])
        unfilter(kind, row, previous)
        rows.append(row)
        previous = row
    return width, height, rows, phys


def unfilter(kind, row, previous):
    bpp = 3
    for i in range(len(row)):
        left = row[i - bpp] if i >= bpp else 0
        up = previous[i]
        corner = previous[i - bpp] if i >= bpp else 0
        if kind == 1:
            row[i] = (row[i] + left) & 0xFF
        elif kind == 2:
            row[i] = (row[i] + up) & 0xFF
        elif kind == 3:
            row[i] = (row[i] + (left + up) // 2) & 0xFF
        elif kind == 4:
            row[i] = (row[i] + paeth(left, up, corner)) & 0xFF
        elif kind != 0:
            raise SystemExit(f"unknown PNG filter {kind}")


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filtered(kind, row, previous):
    bpp = 3
    out = bytearray(len(row))
    for i in range(len(row)):
        left = row[i - bpp] if i >= bpp else 0
        up = previous[i]
        corner = previous[i - bpp] if i >= bpp else 0
        predictor = (0, left, up, (left + up) // 2, paeth(left, up, corner))[kind]
        out[i] = (row[i] - predictor) & 0xFF
    return out


def write_png(path, width, height, rows, phys):
    """Each row takes the filter whose output has the smallest sum of
    absolute values, the usual heuristic for a small file."""
    stream, previous = bytearray(), bytearray(width * 3)
    for row in rows:
        best = None
        for kind in range(5):
            candidate = filtered(kind, row, previous)
            cost = sum(v if v < 128 else 256 - v for v in candidate)
            if best is None or cost < best[0]:
                best = (cost, kind, candidate)
        stream.append(best[1])
        stream += best[2]
        previous = row

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = PNG_SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    if phys is not None:
        png += chunk(b"pHYs", phys)
    png += chunk(b"IDAT", zlib.compress(bytes(stream), 9)) + chunk(b"IEND", b"")
    Path(path).write_bytes(png)


# --- Defects -----------------------------------------------------------------

class Canvas:
    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def blend(self, x, y, alpha, colour):
        """Moves pixel (x, y) towards `colour` by `alpha` (0..1)."""
        if alpha <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        alpha = min(alpha, 1.0)
        row = self.rows[y]
        for c in range(3):
            old = row[x * 3 + c]
            row[x * 3 + c] = int(round(old + (colour[c] - old) * alpha))


def speck(canvas, rng, bright):
    """A blob of one to three overlapping ellipses, 1 to 6 pixels across."""
    cx = rng.random() * canvas.width
    cy = rng.random() * canvas.height
    size = 0.5 + rng.random() ** 1.5 * 2.5  # radius 0.5..3, mostly small
    parts = []
    for _ in range(1 + int(rng.random() * 3)):
        parts.append((cx + (rng.random() - 0.5) * size, cy + (rng.random() - 0.5) * size,
                      size * (0.5 + 0.5 * rng.random()), size * (0.5 + 0.5 * rng.random()),
                      rng.random() * math.pi))
    if bright:
        level = 215 + int(rng.random() * 40)
    else:
        level = 8 + int(rng.random() * 45)
    colour = (level, level, level)
    opacity = 0.75 + 0.25 * rng.random()
    reach = int(math.ceil(size * 1.6)) + 1
    for y in range(int(cy) - reach, int(cy) + reach + 1):
        for x in range(int(cx) - reach, int(cx) + reach + 1):
            inside = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    px = x + (sx + 0.5) / SUPERSAMPLE
                    py = y + (sy + 0.5) / SUPERSAMPLE
                    if any(in_ellipse(px, py, part) for part in parts):
                        inside += 1
            canvas.blend(x, y, opacity * inside / SUPERSAMPLE ** 2, colour)


def in_ellipse(px, py, part):
    ex, ey, rx, ry, angle = part
    dx, dy = px - ex, py - ey
    c, s = math.cos(angle), math.sin(angle)
    u, v = dx * c + dy * s, -dx * s + dy * c
    return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0


def stroke(canvas, points, half_width, colour, opacity):
    """Draws a polyline with anti-aliased edges: a pixel's coverage falls off
    over one pixel around `half_width` from the line."""
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    reach = half_width + 1.5
    segments = list(zip(points, points[1:]))
    for y in range(int(min(ys) - reach), int(max(ys) + reach) + 1):
        for x in range(int(min(xs) - reach), int(max(xs) + reach) + 1):
            px, py = x + 0.5, y + 0.5
            distance = min(segment_distance(px, py, a, b) for a, b in segments)
            coverage = max(0.0, min(1.0, half_width + 0.5 - distance))
            canvas.blend(x, y, opacity * coverage, colour)


def segment_distance(px, py, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return math.hypot(qx, qy)


def bezier(p0, p1, p2, p3, steps):
    points = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        points.append((u ** 3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t ** 3 * p3[0],
                       u ** 3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t ** 3 * p3[1]))
    return points


def hair(canvas, rng):
    """A thin dark curve 40 to 120 pixels long, bending once or twice."""
    x0 = 30 + rng.random() * (canvas.width - 60)
    y0 = 30 + rng.random() * (canvas.height - 60)
    length = 40 + rng.random() * 80
    angle = rng.random() * 2 * math.pi
    bend = (rng.random() - 0.5) * 1.6

    def at(fraction, sway):
        a = angle + bend * fraction
        return (x0 + math.cos(a) * length * fraction - math.sin(a) * sway,
                y0 + math.sin(a) * length * fraction + math.cos(a) * sway)

    points = bezier(at(0, 0), at(0.33, (rng.random() - 0.5) * 25),
                    at(0.66, (rng.random() - 0.5) * 25), at(1, 0), 60)
    half_width = 0.35 + rng.random() * 0.5  # 1 to 2 pixels wide with the soft edge
    level = 10 + int(rng.random() * 30)
    stroke(canvas, points, half_width, (level, level, level), 0.85)


def scratches(canvas, rng):
    """A long bright scratch down most of the frame, drifting slightly, as
    the film's base shows through; and a shorter dark one across it."""
    x = canvas.width * (0.55 + 0.1 * rng.random())
    points = []
    for i in range(41):
        y = canvas.height * (0.04 + 0.9 * i / 40)
        points.append((x + 4 * math.sin(i / 7.0) + (rng.random() - 0.5) * 0.6, y))
    stroke(canvas, points, 0.45, (240, 240, 236), 0.8)

    start = (canvas.width * 0.08, canvas.height * (0.6 + 0.1 * rng.random()))
    end = (canvas.width * 0.45, canvas.height * (0.3 + 0.1 * rng.random()))
    points = [(start[0] + (end[0] - start[0]) * i / 30, start[1] + (end[1] - start[1]) * i / 30
               + 3 * math.sin(i / 5.0)) for i in range(31)]
    stroke(canvas, points, 0.4, (25, 25, 25), 0.7)


def main():
    root = Path(__file__).resolve().parent.parent
    source = Path(sys.argv[1]) if len(sys.argv) > 1 else root / "samples" / "coffee-original.png"
    target = Path(sys.argv[2]) if len(sys.argv) > 2 else root / "samples" / "coffee-dusty.png"
    width, height, rows, phys = read_png(source)
    canvas = Canvas(width, height, rows)
    rng = random.Random(SEED)
    for _ in range(DARK_SPECKS):
        speck(canvas, rng, bright=False)
    for _ in range(BRIGHT_SPECKS):
        speck(canvas, rng, bright=True)
    for _ in range(HAIRS):
        hair(canvas, rng)
    scratches(canvas, rng)
    write_png(target, width, height, rows, phys)
    print(f"{target}: {width}×{height}, {DARK_SPECKS} dark and {BRIGHT_SPECKS} bright specks, "
          f"{HAIRS} hairs, 2 scratches")


if __name__ == "__main__":
    main()
