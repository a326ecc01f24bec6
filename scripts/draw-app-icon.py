#!/usr/bin/env python3
"""Draws Velvane's application icon for the desktop's icon theme: DIR/SIZExSIZE/apps/velvane.png
for every size the hicolor theme lists. Standard library only.

A person (head and shoulders) on a rounded velvet square, with a handset in the lower
corner; every pixel is sampled 4 x 4 times for smooth edges.
"""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SAMPLES = 4
BACKGROUND = ((0x8E, 0x4F, 0xC8), (0x4B, 0x1E, 0x7A))  # top and bottom of the gradient
FIGURE = (0xFF, 0xFF, 0xFF)
BADGE = (0x2E, 0xB8, 0x5C)


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def shoulders(cx, top, rx, ry, bottom):
    """The upper half of an ellipse, cut at bottom."""
    return lambda x, y: top <= y <= bottom and ((x - cx) / rx) ** 2 + ((y - (top + ry)) / ry) ** 2 <= 1


def handset(cx, cy, r):
    """A handset: a thick arc with a bulb at each end, lying in a disc of radius r."""
    arc_r, width = r * 0.55, r * 0.28

    def inside(x, y):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        angle = math.degrees(math.atan2(dy, dx)) % 360
        if abs(d - arc_r) <= width / 2 and 45 <= angle <= 225:
            return True
        for end in (45, 225):
            ex = cx + arc_r * math.cos(math.radians(end))
            ey = cy + arc_r * math.sin(math.radians(end))
            if (x - ex) ** 2 + (y - ey) ** 2 <= (width * 0.85) ** 2:
                return True
        return False
    return inside


def pixel(x, y):
    """Colour and coverage of one sample point in a 1 x 1 icon."""
    if not round_rect(0.02, 0.02, 0.98, 0.98, 0.2)(x, y):
        return None
    badge_centre, badge_r = (0.74, 0.74), 0.2
    if disc(*badge_centre, badge_r)(x, y):
        if handset(*badge_centre, badge_r)(x, y):
            return FIGURE
        return BADGE
    if disc(0.44, 0.34, 0.16)(x, y) or shoulders(0.44, 0.56, 0.28, 0.24, 0.86)(x, y):
        return FIGURE
    top, bottom = BACKGROUND
    return tuple(round(t + (b - t) * y) for t, b in zip(top, bottom))


def render(size):
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter: none
        for px in range(size):
            totals, hits = [0, 0, 0], 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = pixel((px + (sx + 0.5) / SAMPLES) / size,
                                   (py + (sy + 0.5) / SAMPLES) / size)
                    if colour is not None:
                        hits += 1
                        for i in range(3):
                            totals[i] += colour[i]
            if hits:
                row += bytes(round(t / hits) for t in totals)
                row.append(round(255 * hits / (SAMPLES * SAMPLES)))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: draw-app-icon.py DIR")
    for size in SIZES:
        folder = os.path.join(sys.argv[1], f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "velvane.png"), "wb") as out:
            out.write(render(size))


if __name__ == "__main__":
    main()
