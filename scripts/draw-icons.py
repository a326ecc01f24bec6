#!/usr/bin/env python3
"""Draws the icons of the default skin and its dark variant as PNG files:
skins/<skin>/<skin>_<icon>.png (or DIR/<skin>/ with --out DIR). Standard library only.

Each icon is a union of simple shapes (discs, rings, arcs, thick lines, polygons) minus
others, sampled 4 x 4 times per pixel. The skin draws icons with the keyed blender of level 2
(image alpha 128), which adds half of the background to a translucent pixel, so edge pixels
are quantised to exactly half coverage: the compiled picture then blends them correctly.
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
from skin_palettes import HARD_EDGED, PALETTES, ROUNDED  # noqa: E402

SAMPLES = 4


# Shapes: each is a predicate over a point in icon pixels (0..size, y down).

def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    inner, outer = (r - width / 2) ** 2, (r + width / 2) ** 2
    return lambda x, y: inner <= (x - cx) ** 2 + (y - cy) ** 2 <= outer


def arc(cx, cy, r, width, start, end):
    """A ring between two angles in degrees, clockwise on screen from 3 o'clock."""
    band = ring(cx, cy, r, width)

    def inside(x, y):
        if not band(x, y):
            return False
        angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return (angle - start) % 360 <= (end - start) % 360
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


def line(x0, y0, x1, y1, width):
    """A thick segment with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9
    half2 = (width / 2) ** 2

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= half2
    return inside


def polyline(points, width):
    return union(*[line(*points[i], *points[i + 1], width) for i in range(len(points) - 1)])


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, *holes):
    return lambda x, y: shape(x, y) and not any(h(x, y) for h in holes)


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


# The icons, on a 20 x 20 grid unless a size is given.

def star(cx, cy, outer, inner):
    points = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = math.radians(-90 + 36 * i)
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(points)


def person():
    return union(disc(10, 6.5, 3.8),
                 minus(ellipse(10, 18.5, 7.5, 7), rect(0, 17.5, 20, 20)))


def clock():
    return union(ring(10, 10, 7.2, 2.2), line(10, 10, 10, 5.2, 2), line(10, 10, 13.6, 12, 2))


def handset():
    # A C-shaped receiver opening to the upper right: a thick arc with round ear pieces.
    return union(arc(10, 10, 6.2, 3.6, 45, 225),
                 disc(10 + 6.2 * math.cos(math.radians(45)),
                      10 + 6.2 * math.sin(math.radians(45)), 2.9),
                 disc(10 + 6.2 * math.cos(math.radians(225)),
                      10 + 6.2 * math.sin(math.radians(225)), 2.9))


ICONS = {
    # name: (shape, size, palette role)
    "contacts": (person(), 20, "icon"),
    "contacts_on": (person(), 20, "icon_on"),
    "favorites": (star(10, 10.6, 9, 3.8), 20, "icon"),
    "favorites_on": (star(10, 10.6, 9, 3.8), 20, "icon_on"),
    "favorites_grid_on": (union(*[round_rect(2.5 + 8 * c, 2.5 + 8 * r, 9.5 + 8 * c,
                                             9.5 + 8 * r, 1.6)
                                  for r in range(2) for c in range(2)]), 20, "icon_on"),
    "recents": (clock(), 20, "icon"),
    "recents_on": (clock(), 20, "icon_on"),
    "menu": (union(rect(3, 4, 17, 6), rect(3, 9, 17, 11), rect(3, 14, 17, 16)), 20, "icon"),
    "menu_on": (union(rect(3, 4, 17, 6), rect(3, 9, 17, 11), rect(3, 14, 17, 16)), 20,
                "icon_on"),
    "category": (polygon([(3, 4), (17, 4), (11.6, 10.5), (11.6, 16.5), (8.4, 14.5),
                          (8.4, 10.5)]), 20, "title_icon"),
    "keypad": (union(*[disc(4 + 6 * c, 4 + 6 * r, 1.9) for r in range(3) for c in range(3)]),
               20, "fab_text"),
    "close": (polyline([(4, 7.5), (10, 13.5), (16, 7.5)], 2.4), 20, "key_icon"),
    "backspace": (minus(polygon([(1, 10), (6.5, 4), (19, 4), (19, 16), (6.5, 16)]),
                        line(9.5, 7.5, 14.5, 12.5, 1.8), line(9.5, 12.5, 14.5, 7.5, 1.8)),
                  20, "key_icon"),
    "call": (handset(), 20, "call_icon"),
    "back": (polyline([(12.5, 4), (6.5, 10), (12.5, 16)], 2.6), 20, "tab_text_on"),
    "check": (polyline([(3.5, 10.5), (8, 15), (16.5, 5.5)], 2.6), 20, "check"),
    "help": (union(arc(10, 7.2, 3.8, 2.4, 180, 90), line(10, 11, 10, 12.6, 2.4),
                   disc(10, 16.6, 1.5)), 20, "menu_icon"),
    "minimize": (rect(4, 14, 16, 16.4), 20, "menu_icon"),
    "exit": (union(arc(10, 10.8, 6.6, 2.2, 300, 240), line(10, 2.6, 10, 9.8, 2.2)), 20,
             "menu_icon"),
}


def add_contact():
    # A person with a plus at the lower right, cut free of the body.
    plus = union(rect(13.4, 9, 15.6, 19), rect(9.5, 12.9, 19.5, 15.1))
    halo = union(rect(11.8, 7.4, 17.2, 20), rect(7.9, 11.3, 20, 16.7))
    body = minus(union(disc(8, 6.5, 3.6), minus(ellipse(8, 18.5, 7, 7), rect(0, 17.5, 20, 20))),
                 halo)
    return union(body, plus)


ICONS["add"] = (add_contact(), 20, "title_icon")


def intersect(*shapes):
    return lambda x, y: all(s(x, y) for s in shapes)


# The contact card and its editors.

def mobile():
    return minus(round_rect(5.5, 1.5, 14.5, 18.5, 2.2), rect(7.3, 4, 12.7, 14), disc(10, 16.3, 1))


def envelope():
    return union(minus(round_rect(2, 4.5, 18, 15.5, 1.5), rect(3.5, 6, 16.5, 14)),
                 polyline([(2.8, 5.4), (10, 11), (17.2, 5.4)], 1.6))


def globe():
    inside = disc(10, 10, 7.6)
    return union(ring(10, 10, 7.6, 1.6),
                 minus(ellipse(10, 10, 4.2, 8.4), ellipse(10, 10, 2.6, 6.8)),
                 intersect(inside, union(rect(2, 9.3, 18, 10.7), rect(2, 5.6, 18, 6.8),
                                         rect(2, 13.2, 18, 14.4))))


def pin():
    return minus(union(disc(10, 8, 5.8), polygon([(4.8, 10.4), (15.2, 10.4), (10, 18.8)])),
                 disc(10, 8, 2.3))


def tag():
    return minus(polygon([(2.5, 2.5), (10.5, 2.5), (18, 10), (10, 18), (2.5, 10.5)]),
                 disc(6.6, 6.6, 1.7))


def gift():
    box = minus(union(round_rect(2.5, 7, 17.5, 10.6, 1), round_rect(3.8, 11.6, 16.2, 18, 1)),
                rect(9.1, 6, 10.9, 19))
    bow = union(minus(ellipse(7.2, 4.6, 2.9, 2.1), ellipse(7.4, 4.6, 1.3, 0.8)),
                minus(ellipse(12.8, 4.6, 2.9, 2.1), ellipse(12.6, 4.6, 1.3, 0.8)))
    return union(box, bow)


def info():
    return minus(disc(10, 10, 8.2), union(rect(9, 8.4, 11, 14.8), disc(10, 5.8, 1.3)))


def bubble():
    return minus(union(round_rect(2, 3, 18, 14, 3.5), polygon([(5, 12), (9.5, 12), (4.2, 17.8)])),
                 disc(6.5, 8.5, 1.25), disc(10, 8.5, 1.25), disc(13.5, 8.5, 1.25))


def plus():
    return union(rect(9, 3.5, 11, 16.5), rect(3.5, 9, 16.5, 11))


def pencil():
    body = polygon([(13.2, 3.0), (17.0, 6.8), (7.6, 16.2), (3.8, 12.4)])
    tip = polygon([(3.8, 12.4), (7.6, 16.2), (2.4, 17.6)])
    return minus(union(body, tip), line(11.4, 4.6, 15.4, 8.6, 1.0))


def open_out():
    box = minus(round_rect(3, 5, 15, 17, 1.6), rect(4.6, 6.6, 13.4, 15.4), rect(9.5, 3, 18, 10.5))
    return union(box, line(9, 11, 16.6, 3.4, 1.8), polyline([(11.6, 3.4), (16.6, 3.4), (16.6, 8.4)],
                                                            1.8))


def check_mark():
    return polyline([(3.5, 10.5), (8, 15), (16.5, 5.5)], 2.6)


def clear_mark():
    return minus(disc(10, 10, 7.6), line(7.2, 7.2, 12.8, 12.8, 1.8), line(7.2, 12.8, 12.8, 7.2, 1.8))


# The eight kinds of a field row, in the order of its `icons` states.
FIELD_ICONS = ["mobile", "tel", "mail", "web", "address", "categories", "birthday", "other"]
for name, shape in zip(FIELD_ICONS, [mobile(), handset(), envelope(), globe(), pin(), tag(),
                                     gift(), info()]):
    ICONS["field_" + name] = (shape, 20, "field_icon")
ICONS.update({
    "sms": (bubble(), 20, "field_icon"),
    "star_off": (minus(star(10, 10.6, 9, 3.8), star(10, 11.0, 5.6, 2.3)), 20, "star_off"),
    "star_on": (star(10, 10.6, 9, 3.8), 20, "star_on"),
    "plus": (plus(), 20, "link"),
    "plus_header": (plus(), 20, "tab_text_on"),
    "edit": (pencil(), 20, "tab_text_on"),
    "edit_row": (pencil(), 20, "link"),
    "done": (check_mark(), 20, "tab_text_on"),
    "open": (open_out(), 20, "tab_text_on"),
    "clear": (clear_mark(), 20, "clear"),
})



# Favourites, recents and the call screen.

def arrow(x0, y0, x1, y1, head):
    """A line from (x0, y0) to (x1, y1) with an open head of two strokes at its end."""
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    left = (x1 - head * (ux - uy), y1 - head * (uy + ux))
    right = (x1 - head * (ux + uy), y1 - head * (uy - ux))
    return union(line(x0, y0, x1, y1, 2.2), polyline([left, (x1, y1), right], 2.2))


def missed_arrow():
    # Down into the dip and back up: the call came and went.
    return union(polyline([(3, 6), (9, 12.5), (16, 5.5)], 2.2),
                 polyline([(11.2, 5.5), (16, 5.5), (16, 10.3)], 2.2))


def hang_up():
    # The receiver lying on its back, ear pieces down.
    ends = [(10 + 7.2 * math.cos(math.radians(a)), 13 + 7.2 * math.sin(math.radians(a)))
            for a in (205, 335)]
    return union(arc(10, 13, 7.2, 3.4, 205, 335), *[disc(x, y, 2.7) for x, y in ends])


def microphone_off():
    mic = union(round_rect(7.4, 2, 12.6, 11.6, 2.6), arc(10, 8.6, 5.4, 1.6, 0, 180),
                line(10, 14, 10, 16.6, 1.6), line(7, 17.2, 13, 17.2, 1.6))
    return union(minus(mic, line(3.5, 3.2, 16.5, 17.6, 3.6)), line(3.5, 3.2, 16.5, 17.6, 1.6))


def loudspeaker():
    return union(polygon([(2.5, 7.4), (6, 7.4), (10.5, 3.5), (10.5, 16.5), (6, 12.6),
                          (2.5, 12.6)]),
                 arc(10.5, 10, 3.6, 1.6, 305, 55), arc(10.5, 10, 6.8, 1.6, 305, 55))


def pause():
    return union(round_rect(5.5, 4, 8.6, 16, 1), round_rect(11.4, 4, 14.5, 16, 1))


def notepad():
    return union(minus(round_rect(4, 2.5, 16, 17.5, 1.8), rect(5.6, 4.1, 14.4, 15.9)),
                 rect(7, 6.6, 13, 7.8), rect(7, 9.6, 13, 10.8), rect(7, 12.6, 11, 13.8))


def dots():
    return union(*[disc(4 + 6 * c, 4 + 6 * r, 1.9) for r in range(3) for c in range(3)])


def history():
    # A clock whose rim turns back on itself at the left, an arrow on its end.
    r = 7
    tip = (10 + r * math.cos(math.radians(200)), 10 + r * math.sin(math.radians(200)))
    head = polygon([(tip[0] - 3.2, tip[1] - 1.2), (tip[0] + 2.6, tip[1] - 1.6),
                    (tip[0] - 0.2, tip[1] + 3.4)])
    return union(arc(10, 10, r, 1.8, 220, 180), head, line(10, 10, 10, 5.8, 1.8),
                 line(10, 10, 13, 12, 1.8))


def details():
    return union(ring(10, 10, 7.6, 1.6), rect(9.1, 8.6, 10.9, 14.2), disc(10, 6, 1.2))


ICONS.update({
    "dir_in": (arrow(15, 5, 6, 14, 5.5), 20, "in_call"),
    "dir_missed": (missed_arrow(), 20, "missed"),
    "dir_out": (arrow(5, 15, 14, 6, 5.5), 20, "out_call"),
    "history": (history(), 20, "link"),
    "menu_header": (ICONS["menu"][0], 20, "tab_text_on"),
    "details": (details(), 20, "link"),
    "end": (hang_up(), 20, "call_icon"),
    "mute": (microphone_off(), 20, "toggle_icon"),
    "mute_on": (microphone_off(), 20, "toggle_icon_on"),
    "speaker": (loudspeaker(), 20, "toggle_icon"),
    "speaker_on": (loudspeaker(), 20, "toggle_icon_on"),
    "hold": (pause(), 20, "toggle_icon"),
    "hold_on": (pause(), 20, "toggle_icon_on"),
    "note": (notepad(), 20, "toggle_icon"),
    "dialpad": (dots(), 20, "toggle_icon"),
    "close_call": (ICONS["close"][0], 20, "toggle_icon"),
    "backspace_call": (ICONS["backspace"][0], 20, "toggle_icon"),
    "to_contacts": (person(), 20, "toggle_icon"),
    # The round ground of a call screen toggle, off and on.
    "toggle": (disc(16, 16, 15.6), 32, "toggle"),
    "toggle_on": (disc(16, 16, 15.6), 32, "toggle_on"),
})

# Pictures of more than one colour: layers painted in order, (shape, palette role) each.
LAYERED = {
    "remove": ([(disc(10, 10, 8), "danger"), (rect(5.5, 9, 14.5, 11), "danger_text")], 20),
    "remove_photo": ([(disc(10, 10, 8), "danger"),
                      (union(line(7, 7, 13, 13, 2), line(7, 13, 13, 7, 2)), "danger_text")], 20),
    # The card's default picture: opaque, since a contact's own photo replaces it and the
    # image draws without a key colour.
    "photo": ([(rect(0, 0, 64, 64), "photo_bg"),
               (union(disc(32, 24, 11.5), minus(ellipse(32, 60, 22, 20), rect(0, 64, 64, 90))),
                "photo_fg")], 64),
    # The call screen's default picture, opaque for the same reason.
    "photo_call": ([(rect(0, 0, 80, 80), "call_photo_bg"),
                    (union(disc(40, 30, 14.5), minus(ellipse(40, 75, 27.5, 25),
                                                    rect(0, 80, 80, 110))),
                     "call_photo_fg")], 80),
}

# The favourites' photo frames: a disc with a rim, on the ground named. The skin draws the
# picture as it is where a contact has no photo; a photo is put through it pixel by pixel:
# transparent pixels (the key colour) stay out, opaque ones (bit 5 set: the disc's inside)
# let the photo through, and the rest (translucent: the rim) lie over it as they are. So the
# rim is stored translucent at a level that keeps its colour (254), already blended with the
# ground at its outer edge, and the inside is opaque to its edge.
FRAMES = {
    # name: (diameter, rim width, ground role)
    "frame_list": (40, 1.5, "row"),
    "frame_tile": (48, 1.5, "tile"),
}
RIM_ALPHA = 254

# Pressed veils: a rounded box of white at a quarter, drawn over a button with the keyed
# blender of level 3, which keeps three quarters of what lies under it: a quarter of the way
# to white, on any ground. Hard edges, since that blender darkens a fainter pixel.
VEILS = {
    # name: (size, corner radius, palette role)
    "veil": (14, 6, "call_press"),
}
VEIL_ALPHA = 64


def render(shape, size, hard=False):
    """Coverage per pixel, quantised to 0, 128 and 255 (or to 0 and 255 when hard)."""
    alpha = []
    step = 1.0 / SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    if shape(px + (sx + 0.5) * step, py + (sy + 0.5) * step):
                        hits += 1
            coverage = hits / (SAMPLES * SAMPLES)
            if hard:
                row.append(255 if coverage >= 0.5 else 0)
            else:
                row.append(255 if coverage > 0.7 else 128 if coverage > 0.2 else 0)
        alpha.append(row)
    return alpha


def render_layers(layers, size, palette):
    """RGBA rows: each sample takes the colour of the last layer that covers it; a pixel's
    colour is the mean of its covered samples and its alpha is quantised as in render."""
    colours = [hex_rgb(palette[role]) for _, role in layers]
    rows = []
    step = 1.0 / SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            sums = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x, y = px + (sx + 0.5) * step, py + (sy + 0.5) * step
                    top = None
                    for index, (shape, _) in enumerate(layers):
                        if shape(x, y):
                            top = index
                    if top is not None:
                        hits += 1
                        for c in range(3):
                            sums[c] += colours[top][c]
            coverage = hits / (SAMPLES * SAMPLES)
            alpha = 255 if coverage > 0.7 else 128 if coverage > 0.2 else 0
            rgb = [round(v / hits) for v in sums] if hits else [0, 0, 0]
            row.extend(rgb + [alpha])
        rows.append(row)
    return rows


def render_frame(diameter, rim, ground, inside):
    """RGBA rows of a photo frame; inside is the RGBA rows of the default picture."""
    r = diameter / 2
    step = 1.0 / SAMPLES
    rim_rgb = ground[0]
    bg = ground[1]
    rows = []
    for py in range(diameter):
        row = []
        for px in range(diameter):
            inner = outer = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    d = math.hypot(px + (sx + 0.5) * step - r, py + (sy + 0.5) * step - r)
                    inner += d <= r - rim
                    outer += d > r
            n = SAMPLES * SAMPLES
            if inner * 2 >= n:
                row.extend(inside[py][4 * px:4 * px + 3] + [255])
            elif outer == n:
                row.extend([0, 0, 0, 0])
            else:
                # Rim, with the ground mixed in for the samples beyond the disc.
                share = outer / n
                rgb = [round(c * (1 - share) + g * share) for c, g in zip(rim_rgb, bg)]
                row.extend(rgb + [RIM_ALPHA])
        rows.append(row)
    return rows


def frame_inside(diameter, palette):
    """The default picture under the frame: the silhouette of the card's photo, opaque."""
    d = diameter
    layers = [(rect(0, 0, d, d), "photo_bg"),
              (union(disc(d / 2, d * 0.375, d * 0.18),
                     minus(ellipse(d / 2, d * 0.94, d * 0.34, d * 0.31),
                           rect(0, d, d, d * 1.5))), "photo_fg")]
    return render_layers(layers, d, palette)


def render_veil(size, radius, rgb):
    shape = round_rect(0, 0, size, size, radius)
    alpha = render(shape, size, hard=True)
    return [[v for a in row for v in (rgb + (VEIL_ALPHA if a else 0,))] for row in alpha]


def png(width, height, rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\0" + bytes(row) for row in rgba_rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def hex_rgb(text):
    return int(text[1:3], 16), int(text[3:5], 16), int(text[5:7], 16)


def main():
    # --out DIR writes DIR/<skin>/ instead of skins/<skin>/ (to compare with what is committed).
    out_dir = os.path.join(ROOT, "skins")
    if len(sys.argv) == 3 and sys.argv[1] == "--out":
        out_dir = sys.argv[2]
    cache = {}
    for skin, palette in PALETTES.items():
        folder = os.path.join(out_dir, skin)
        os.makedirs(folder, exist_ok=True)
        for name, (shape, size, role) in ICONS.items():
            key = (name.removesuffix("_on"), size)
            if key not in cache:
                cache[key] = render(shape, size)
            r, g, b = hex_rgb(palette[role])
            rows = [[v for a in row for v in (r, g, b, a)] for row in cache[key]]
            with open(os.path.join(folder, "%s_%s.png" % (skin, name)), "wb") as out:
                out.write(png(size, size, rows))
        for name, (layers, size) in LAYERED.items():
            with open(os.path.join(folder, "%s_%s.png" % (skin, name)), "wb") as out:
                out.write(png(size, size, render_layers(layers, size, palette)))
        for name, (diameter, rim, role) in FRAMES.items():
            rows = render_frame(diameter, rim, (hex_rgb(palette["frame"]),
                                                hex_rgb(palette[role])),
                                frame_inside(diameter, palette))
            with open(os.path.join(folder, "%s_%s.png" % (skin, name)), "wb") as out:
                out.write(png(diameter, diameter, rows))
        for name, (size, radius, role) in VEILS.items():
            rows = render_veil(size, radius, hex_rgb(palette[role]))
            with open(os.path.join(folder, "%s_%s.png" % (skin, name)), "wb") as out:
                out.write(png(size, size, rows))
        for role, radius in ROUNDED.items():
            # Nine-patch source: the corners and two pixels of middle each way.
            size = 2 * radius + 2
            key = ("round", radius, role in HARD_EDGED)
            if key not in cache:
                cache[key] = render(round_rect(0, 0, size, size, radius), size, hard=key[2])
            r, g, b = hex_rgb(palette[role])
            rows = [[v for a in row for v in (r, g, b, a)] for row in cache[key]]
            with open(os.path.join(folder, "%s_round_%s.png" % (skin, role)), "wb") as out:
                out.write(png(size, size, rows))


if __name__ == "__main__":
    main()
