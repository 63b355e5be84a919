#!/usr/bin/env python3
"""Draws the monitor window's pin-button pictures: p1.png (not pinned: a pushpin lying on
its side, needle to the left) and p2.png (pinned: the same pin standing, needle down into
the window). 17 x 17, 32-bit RGBA with a transparent background, supersampled by 4 for
smooth edges. Writes plain PNG with the standard library only.

Usage: make_pins.py [output folder]   (default: the assets folder above this script)"""
import os
import struct
import sys
import zlib

SIZE = 17
SS = 4  # supersampling factor

OUTLINE = (0.11, 0.20, 0.42, 1.0)
NEEDLE = (0.35, 0.37, 0.42, 1.0)
# Head colours: a quiet blue while loose, a bright red once the pin holds the window.
LOOSE_TOP, LOOSE_BOTTOM = (0.62, 0.76, 0.97), (0.18, 0.41, 0.84)
HELD_TOP, HELD_BOTTOM = (1.00, 0.55, 0.45), (0.80, 0.12, 0.10)


def lerp(a, b, t):
    return a + (b - a) * t


def blend(dst, src):
    """Porter-Duff 'over' with straight RGBA floats."""
    sa, da = src[3], dst[3]
    oa = sa + da * (1 - sa)
    if oa <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((src[i] * sa + dst[i] * da * (1 - sa)) / oa for i in range(3)) + (oa,)


def in_rounded(x, y, box, r):
    x0, y0, x1, y1 = box
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def shrink(box, d):
    return (box[0] + d, box[1] + d, box[2] - d, box[3] - d)


# The standing pin in unit coordinates (x right, y down), needle pointing down.
CAP = (0.22, 0.04, 0.78, 0.24)
BODY = (0.34, 0.22, 0.66, 0.50)
PLATE = (0.14, 0.48, 0.86, 0.60)
LINE = 1.0 / SIZE  # one pixel of outline


def standing_pin(u, v, top, bottom):
    px = (0.0, 0.0, 0.0, 0.0)
    # Needle: a thin wedge from the plate to a point near the bottom edge.
    if 0.60 <= v <= 0.97:
        half = lerp(0.06, 0.01, (v - 0.60) / 0.37)
        if abs(u - 0.5) <= half:
            px = blend(px, NEEDLE)
    for box, r in ((PLATE, 0.05), (BODY, 0.03), (CAP, 0.07)):
        if in_rounded(u, v, box, r):
            px = blend(px, OUTLINE)
    for box, r in ((PLATE, 0.05), (BODY, 0.03), (CAP, 0.07)):
        if in_rounded(u, v, shrink(box, LINE), max(r - LINE, 0.0)):
            t = (v - box[1]) / (box[3] - box[1])
            fill = tuple(lerp(top[i], bottom[i], t) for i in range(3)) + (1.0,)
            # A highlight stripe on the left third gives the head some roundness.
            if u < box[0] + (box[2] - box[0]) * 0.35:
                fill = tuple(min(1.0, c + 0.12) for c in fill[:3]) + (1.0,)
            px = blend(px, fill)
    return px


def loose_pin(u, v):
    # The standing pin turned a quarter to the right: needle to the left, head to the right.
    return standing_pin(v, 1.0 - u, LOOSE_TOP, LOOSE_BOTTOM)


def held_pin(u, v):
    return standing_pin(u, v, HELD_TOP, HELD_BOTTOM)


def render(sample):
    rows = []
    for y in range(SIZE):
        row = bytearray([0])  # PNG filter type: none
        for x in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    r, g, b, a = sample((x + (sx + 0.5) / SS) / SIZE, (y + (sy + 0.5) / SS) / SIZE)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SS * SS
            alpha = acc[3] / n
            if alpha > 0:
                rgb = [acc[i] / acc[3] for i in range(3)]
            else:
                rgb = [0.0, 0.0, 0.0]
            row += bytes(int(round(max(0.0, min(1.0, c)) * 255)) for c in rgb + [alpha])
        rows.append(bytes(row))
    return b"".join(rows)


def png(width, height, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(here)
    for name, sample in (("p1.png", loose_pin), ("p2.png", held_pin)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(png(SIZE, SIZE, render(sample)))


if __name__ == "__main__":
    main()
