#!/usr/bin/env python3
"""Writes the pictures of the skin viewer's test skin, as RGB565 bitmaps with colour masks
so their pixel values reach the skin unchanged. Standard library only.

patch.bmp  6 x 6: a 2-pixel dark border (head and tail on both axes) around a 2 x 2 middle
           of red, green / blue, yellow, so tiling and the split show.
glass.bmp  3 x 1: translucent black, the key colour, opaque blue.
photo.bmp  20 x 10: left half opaque red, right half opaque blue.
mask.bmp   20 x 10: blue channel 0 for x < 5, 16 for x >= 15, else 31."""
import struct

OPAQUE = 0x0020
DARK = 0x2104 | OPAQUE
RED, GREEN, BLUE, YELLOW = 0xF800 | OPAQUE, 0x07E0, 0x001F | OPAQUE, 0xFFE0


def bmp565(width, height, pixels):
    stride = (2 * width + 3) & ~3
    data = bytearray()
    for y in reversed(range(height)):
        row = b"".join(struct.pack("<H", p) for p in pixels[y])
        data += row + b"\0" * (stride - len(row))
    offset = 14 + 40 + 12
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 16, 3, len(data), 2835, 2835, 0, 0)
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    return header + info + masks + bytes(data)


def patch():
    middle = {(2, 2): RED, (3, 2): GREEN, (2, 3): BLUE, (3, 3): YELLOW}
    return bmp565(6, 6, [[middle.get((x, y), DARK) for x in range(6)] for y in range(6)])


def glass():
    return bmp565(3, 1, [[0x0000, 0xF81F, BLUE]])


def photo():
    return bmp565(20, 10, [[RED if x < 10 else BLUE for x in range(20)] for _ in range(10)])


def mask():
    return bmp565(20, 10, [[0 if x < 5 else 16 if x >= 15 else 31 for x in range(20)]
                           for _ in range(10)])


if __name__ == "__main__":
    for name, make in (("patch", patch), ("glass", glass), ("photo", photo), ("mask", mask)):
        with open(name + ".bmp", "wb") as f:
            f.write(make())
