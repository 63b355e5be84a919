#!/usr/bin/env python3
"""Draws Memtide's program icon: a memory chip on a rounded blue tile with a rising
tide wave across its lower half. Writes a .ico with 32-bit BGRA images at every size
the shell asks for (16, 20, 24, 32, 48). Supersampled by 4 for smooth edges."""
import math
import struct
import sys

SS = 4  # supersampling factor


def lerp(a, b, t):
    return a + (b - a) * t


def blend(dst, src):
    """Porter-Duff 'over' with straight (non-premultiplied) RGBA floats."""
    sa = src[3]
    da = dst[3]
    oa = sa + da * (1 - sa)
    if oa <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((src[i] * sa + dst[i] * da * (1 - sa)) / oa for i in range(3)) + (oa,)


def inside_rounded(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def sample(u, v):
    """Colour at unit coordinates (u, v) in [0,1]^2, as straight RGBA floats."""
    px = (0.0, 0.0, 0.0, 0.0)
    # Tile: rounded square, vertical blue gradient.
    if inside_rounded(u, v, 0.03, 0.03, 0.97, 0.97, 0.2):
        px = blend(px, (lerp(0.16, 0.05, v), lerp(0.50, 0.25, v), lerp(0.92, 0.62, v), 1.0))
    # Chip body with pins left and right.
    if inside_rounded(u, v, 0.28, 0.16, 0.72, 0.62, 0.05):
        px = blend(px, (0.93, 0.95, 0.98, 1.0))
        if inside_rounded(u, v, 0.36, 0.24, 0.64, 0.54, 0.03):
            px = blend(px, (0.20, 0.28, 0.40, 1.0))
    for i in range(3):
        py = 0.23 + i * 0.13
        if py <= v <= py + 0.07 and (0.17 <= u <= 0.28 or 0.72 <= u <= 0.83):
            px = blend(px, (0.93, 0.95, 0.98, 1.0))
    # The tide: a wave filling the lower part of the tile.
    wave = 0.66 + 0.05 * math.sin(u * 2 * math.pi * 1.5 + 0.6)
    if v >= wave and inside_rounded(u, v, 0.03, 0.03, 0.97, 0.97, 0.2):
        px = blend(px, (0.25, 0.85, 0.80, 0.92))
        if v <= wave + 0.06:
            px = blend(px, (0.85, 1.0, 0.98, 0.9))
    return px


def render(size):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    u = (x + (sx + 0.5) / SS) / size
                    v = (y + (sy + 0.5) / SS) / size
                    r, g, b, a = sample(u, v)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SS * SS
            a = acc[3] / n
            if a > 0:
                rgb = [acc[i] / acc[3] for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row.append(tuple(int(round(c * 255)) for c in rgb) + (int(round(a * 255)),))
        rows.append(row)
    return rows


def ico_image(size):
    pixels = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    and_mask = bytes(mask_stride * size)  # alpha carries transparency
    return header + bytes(xor) + and_mask


def main(out, sizes=(16, 20, 24, 32, 48)):
    images = [ico_image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        data += img
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Memtide.ico")
