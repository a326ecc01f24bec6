#!/usr/bin/env python3
"""Writes the sample skin's two pictures: icon.png (8 x 8 RGBA: a green disc with
translucent rim and transparent corners) and frame.bmp (6 x 6 RGB565 with colour masks:
a dark border around a light middle, for nine-patch drawing). Standard library only."""
import struct
import zlib


def png(width, height, rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\0" + bytes(row) for row in rgba_rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


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


def icon():
    rows = []
    for y in range(8):
        row = []
        for x in range(8):
            d2 = (x - 3.5) ** 2 + (y - 3.5) ** 2
            alpha = 255 if d2 < 9 else 128 if d2 < 16 else 0
            row += [40, 180, 60, alpha]
        rows.append(row)
    return png(8, 8, rows)


def frame():
    dark, light = 0x2104 | 0x20, 0xEF7D | 0x20
    return bmp565(6, 6, [[dark if x in (0, 5) or y in (0, 5) else light for x in range(6)]
                         for y in range(6)])


if __name__ == "__main__":
    with open("icon.png", "wb") as f:
        f.write(icon())
    with open("frame.bmp", "wb") as f:
        f.write(frame())
