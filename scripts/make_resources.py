#!/usr/bin/env python3
"""Draws the PNG pictures of resources/ (logos, icons, lock, style-sheet arrows).

Pure standard library: shapes are filled into a supersampled coverage mask,
composited onto an RGBA canvas and written as 8-bit RGBA PNG with zlib.
The output is deterministic, so running it again only changes files whose
drawing changed.

    python3 scripts/make_resources.py
"""

import math
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")

WHITE = (255, 255, 255)
ORANGE = (0xDB, 0x70, 0x00)
# Lock colours: light enough to read on the grey (#6C6C6C) buttons.
LOCK_BODY = (0xF4, 0xF4, 0xF4)
LOCK_SHACKLE = (0xD2, 0xD3, 0xD5)


# --------------------------------------------------------------------------
# PNG output


def write_png(path, width, height, rgba):
    """rgba: bytes of width*height*4, straight (not premultiplied) alpha."""
    raw = bytearray()
    stride = width * 4
    for y in range(height):
        raw.append(0)  # filter type None: small files, simple and exact
        raw += rgba[y * stride:(y + 1) * stride]

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
           + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


# --------------------------------------------------------------------------
# Canvas and coverage masks


class Canvas:
    """Premultiplied float RGBA picture, composited with the 'over' operator."""

    def __init__(self, width, height):
        self.w = width
        self.h = height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def blend(self, x, y, color, coverage):
        """color: (r, g, b) or (r, g, b, a) with 0..255 channels."""
        if coverage <= 0.0:
            return
        a = (color[3] / 255.0 if len(color) > 3 else 1.0) * coverage
        p = self.px[y * self.w + x]
        k = 1.0 - a
        p[0] = color[0] / 255.0 * a + p[0] * k
        p[1] = color[1] / 255.0 * a + p[1] * k
        p[2] = color[2] / 255.0 * a + p[2] * k
        p[3] = a + p[3] * k

    def erase(self, x, y, coverage):
        p = self.px[y * self.w + x]
        k = 1.0 - coverage
        for i in range(4):
            p[i] *= k

    def set_pixel(self, x, y, color):
        a = color[3] / 255.0 if len(color) > 3 else 1.0
        self.px[y * self.w + x] = [color[0] / 255.0 * a, color[1] / 255.0 * a, color[2] / 255.0 * a, a]

    def to_rgba(self):
        out = bytearray()
        for r, g, b, a in self.px:
            if a <= 0.0:
                out += b"\0\0\0\0"
                continue
            a8 = min(255, int(round(a * 255)))
            out += bytes((min(255, int(round(r / a * 255))),
                          min(255, int(round(g / a * 255))),
                          min(255, int(round(b / a * 255))), a8))
        return bytes(out)

    def save(self, relpath):
        write_png(os.path.join(ROOT, relpath), self.w, self.h, self.to_rgba())


class Mask:
    """Union of filled shapes sampled on an S x S grid per pixel.

    Shapes are given as polygons (lists of contours, even-odd rule); curves
    are flattened finely enough that the flattening never shows.
    """

    def __init__(self, width, height, samples=4):
        self.w = width
        self.h = height
        self.s = samples
        self.sw = width * samples
        self.sh = height * samples
        self.bits = bytearray(self.sw * self.sh)

    def _span(self, row, x0, x1, value):
        s = self.s
        a = max(0, math.ceil(x0 * s - 0.5))
        b = min(self.sw, math.ceil(x1 * s - 0.5))
        if b > a:
            start = row * self.sw
            self.bits[start + a:start + b] = (b"\x01" if value else b"\x00") * (b - a)

    def polygon(self, contours, value=True):
        if contours and isinstance(contours[0][0], (int, float)):
            contours = [contours]
        edges = []
        ymin, ymax = float("inf"), float("-inf")
        for c in contours:
            n = len(c)
            for i in range(n):
                (xa, ya), (xb, yb) = c[i], c[(i + 1) % n]
                if ya != yb:
                    edges.append((xa, ya, xb, yb))
                ymin = min(ymin, ya)
                ymax = max(ymax, ya)
        s = self.s
        r0 = max(0, math.ceil(ymin * s - 0.5))
        r1 = min(self.sh, math.ceil(ymax * s - 0.5))
        for row in range(r0, r1):
            y = (row + 0.5) / s
            xs = []
            for xa, ya, xb, yb in edges:
                if (ya <= y < yb) or (yb <= y < ya):
                    xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                self._span(row, xs[i], xs[i + 1], value)

    def rect(self, x, y, w, h, value=True):
        self.polygon([(x, y), (x + w, y), (x + w, y + h), (x, y + h)], value)

    def circle(self, cx, cy, r, value=True):
        self.polygon(circle_points(cx, cy, r), value)

    def capsule(self, x0, y0, x1, y1, r, value=True):
        self.polygon(capsule_points(x0, y0, x1, y1, r), value)

    def polyline(self, points, r, value=True):
        for (xa, ya), (xb, yb) in zip(points, points[1:]):
            self.capsule(xa, ya, xb, yb, r, value)

    def intersect(self, other):
        """Keeps only the samples also covered by 'other' (same size)."""
        self.bits = bytearray(a & b for a, b in zip(self.bits, other.bits))

    def coverage(self, x, y):
        s = self.s
        total = 0
        for j in range(s):
            start = (y * s + j) * self.sw + x * s
            total += sum(self.bits[start:start + s])
        return total / (s * s)

    def paint(self, canvas, color):
        """color: a colour tuple or a function (x, y) -> colour tuple."""
        for y in range(self.h):
            for x in range(self.w):
                c = self.coverage(x, y)
                if c > 0.0:
                    canvas.blend(x, y, color(x, y) if callable(color) else color, c)

    def cut(self, canvas):
        for y in range(self.h):
            for x in range(self.w):
                c = self.coverage(x, y)
                if c > 0.0:
                    canvas.erase(x, y, c)


def arc_points(cx, cy, rx, ry, a0, a1, steps=None):
    """Points on an ellipse arc, angles in degrees, y downwards (90 = bottom)."""
    if steps is None:
        steps = max(8, int(abs(a1 - a0) / 3))
    return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy + ry * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]


def circle_points(cx, cy, r):
    return arc_points(cx, cy, r, r, 0, 360, 180)[:-1]


def capsule_points(x0, y0, x1, y1, r):
    ang = math.degrees(math.atan2(y1 - y0, x1 - x0))
    return arc_points(x1, y1, r, r, ang - 90, ang + 90, 24) + arc_points(x0, y0, r, r, ang + 90, ang + 270, 24)


def rounded_rect_points(x, y, w, h, r):
    return (arc_points(x + w - r, y + r, r, r, -90, 0, 16) + arc_points(x + w - r, y + h - r, r, r, 0, 90, 16)
            + arc_points(x + r, y + h - r, r, r, 90, 180, 16) + arc_points(x + r, y + r, r, r, 180, 270, 16))


def vertical_gradient(top, bottom, y0, y1):
    def color(_x, y):
        t = min(1.0, max(0.0, (y + 0.5 - y0) / float(y1 - y0)))
        return tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom))
    return color


# --------------------------------------------------------------------------
# Stroke lettering: each glyph is a set of polylines in a box of its width
# and height 1 (top 0, baseline 1), stroked with round ends.


GLYPHS = {
    "K": (0.62, [[(0, 0), (0, 1)], [(0.62, 0), (0, 0.62)], [(0.22, 0.42), (0.62, 1)]]),
    "V": (0.72, [[(0, 0), (0.36, 1), (0.72, 0)]]),
    "Q": (0.92, [arc_points(0.46, 0.5, 0.46, 0.5, 0, 360, 120), [(0.58, 0.72), (0.92, 1.04)]]),
    # The bottom arc runs from the left stem (180 degrees) to the right one
    # (0 degrees); with y downwards that passes through the bottom.
    "U": (0.74, [[(0, 0)] + arc_points(0.37, 0.63, 0.37, 0.37, 180, 0, 48) + [(0.74, 0)]]),
    "I": (0.0, [[(0, 0), (0, 1)]]),
    "L": (0.56, [[(0, 0), (0, 1), (0.56, 1)]]),
    "E": (0.58, [[(0.58, 0), (0, 0), (0, 1), (0.58, 1)], [(0, 0.5), (0.48, 0.5)]]),
    "X": (0.7, [[(0, 0), (0.7, 1)], [(0.7, 0), (0, 1)]]),
}

def text_width(text, cap, tracking, stroke):
    total = 0.0
    for i, ch in enumerate(text):
        total += GLYPHS[ch][0] * cap
        if i + 1 < len(text):
            total += tracking
    return total + stroke  # the round ends reach half a stroke past each side


def draw_text(mask, text, x, y, cap, tracking, stroke):
    """x, y: top left of the ink box; cap: letter height in pixels."""
    r = stroke / 2.0
    ox = x + r
    oy = y + r
    h = cap - stroke
    for ch in text:
        w, lines = GLYPHS[ch]
        sx = w * cap
        for line in lines:
            pts = [(ox + px * sx / w if w else ox, oy + py * h) for px, py in line]
            if len(pts) == 1:
                mask.circle(pts[0][0], pts[0][1], r)
            mask.polyline(pts, r)
        ox += sx + tracking


# --------------------------------------------------------------------------
# Pictures


def logo_kv():
    """Top-bar logo: orange badge with KV, then the product name in white."""
    w, h = 204, 32
    cv = Canvas(w, h)
    badge = Mask(w, h)
    badge.polygon(rounded_rect_points(1, 2, 44, 28, 5))
    badge.paint(cv, ORANGE)
    kv = Mask(w, h)
    cap, stroke, track = 16, 3.2, 3.0
    tw = text_width("KV", cap, track, stroke)
    draw_text(kv, "KV", 1 + (44 - tw) / 2, 8, cap, track, stroke)
    kv.paint(cv, WHITE)
    name = Mask(w, h)
    cap, stroke = 16, 2.6
    text = "QUILLEX"
    x0, x1 = 55, 202
    base = text_width(text, cap, 0, stroke)
    track = (x1 - x0 - base) / (len(text) - 1)
    draw_text(name, text, x0, 8, cap, track, stroke)
    name.paint(cv, WHITE)
    cv.save("Logo/logo-kv.png")


def logo_blanc():
    """Stacked white logo: large KV in a rounded frame, product name under it."""
    w, h = 150, 111
    cv = Canvas(w, h)
    m = Mask(w, h)
    frame_outer = rounded_rect_points(35, 4, 80, 64, 10)
    frame_inner = rounded_rect_points(40, 9, 70, 54, 6)
    m.polygon([frame_outer, frame_inner])
    cap, stroke, track = 36, 6.0, 6.0
    tw = text_width("KV", cap, track, stroke)
    draw_text(m, "KV", (w - tw) / 2, 18, cap, track, stroke)
    cap, stroke = 18, 3.0
    text = "QUILLEX"
    x0, x1 = 8, 142
    track = (x1 - x0 - text_width(text, cap, 0, stroke)) / (len(text) - 1)
    draw_text(m, text, x0, 84, cap, track, stroke)
    m.paint(cv, WHITE)
    cv.save("Logo/logo-blanc.png")


def logo_blanc_long():
    """One-line white logo."""
    w, h = 180, 46
    cv = Canvas(w, h)
    m = Mask(w, h)
    m.polygon([rounded_rect_points(2, 5, 52, 36, 6), rounded_rect_points(5.5, 8.5, 45, 29, 3.5)])
    cap, stroke, track = 20, 3.6, 4.0
    tw = text_width("KV", cap, track, stroke)
    draw_text(m, "KV", 2 + (52 - tw) / 2, 13, cap, track, stroke)
    cap, stroke = 18, 2.8
    text = "QUILLEX"
    x0, x1 = 64, 178
    track = (x1 - x0 - text_width(text, cap, 0, stroke)) / (len(text) - 1)
    draw_text(m, text, x0, 14, cap, track, stroke)
    m.paint(cv, WHITE)
    cv.save("Logo/logo-blanc-long.png")


def icone_about():
    """About picture: one picture cut into a 2 x 2 grid of outputs, on an orange tile."""
    w, h = 137, 136
    cv = Canvas(w, h)
    tile = Mask(w, h)
    tile.polygon(rounded_rect_points(2, 2, 133, 132, 26))
    tile.paint(cv, vertical_gradient((0xEC, 0x84, 0x10), (0xC2, 0x5C, 0x00), 2, 134))

    # The four outputs, with a gap between them.
    x0, y0, x1, y1, gap = 22, 24, 115, 106, 6
    mx, my = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    screens = Mask(w, h)
    for (ax, bx) in ((x0, mx - gap / 2), (mx + gap / 2, x1)):
        for (ay, by) in ((y0, my - gap / 2), (my + gap / 2, y1)):
            screens.polygon(rounded_rect_points(ax, ay, bx - ax, by - ay, 3))
    screens.paint(cv, (0xFF, 0xF6, 0xEA))

    # The picture drawn across them, cut by the gaps: sky, sun and two hills.
    def on_screens(draw, color):
        m = Mask(w, h)
        draw(m)
        m.intersect(screens)
        m.paint(cv, color)

    on_screens(lambda m: m.circle(90, 47, 11), ORANGE)
    on_screens(lambda m: m.polygon([(4, y1 + 1), (48, 52), (96, y1 + 1)]), (0x6C, 0x6C, 0x6C))
    on_screens(lambda m: m.polygon([(54, y1 + 1), (90, 72), (128, y1 + 1)]), (0x2F, 0x2F, 0x2F))
    cv.save("icons/icone-about.png")


def grid():
    """Checkerboard behind transparent parts of the covering preview: exact, opaque."""
    cv = Canvas(16, 16)
    for y in range(16):
        for x in range(16):
            dark = (x < 8) != (y < 8)
            cv.set_pixel(x, y, (0x66, 0x66, 0x66) if dark else (0x99, 0x99, 0x99))
    cv.save("icons/grid.png")


def position_icons():
    """16 x 16: white frame, filled square at the named place."""
    places = {
        "top-left": (2, 2), "top-center": (5, 2), "top-right": (8, 2),
        "center-left": (2, 5), "center": (5, 5), "center-right": (8, 5),
        "bottom-left": (2, 8), "bottom-center": (5, 8), "bottom-right": (8, 8),
    }
    for name, (sx, sy) in places.items():
        cv = Canvas(16, 16)
        m = Mask(16, 16)
        m.polygon([[(0, 0), (16, 0), (16, 16), (0, 16)], [(1, 1), (15, 1), (15, 15), (1, 15)]])
        m.rect(sx, sy, 6, 6)
        m.paint(cv, WHITE)
        cv.save("icons/Icones_Options/pos-%s.png" % name)


# The size icons are drawn pixel by pixel: at 15 x 15 any anti-aliasing
# would blur the hatching into a grey smear.
HATCH = WHITE + (130,)


def _size_icon(covered, divider, arrow):
    """covered: (x0, y0, x1, y1) inclusive; divider and arrow: sets of (x, y)."""
    cv = Canvas(15, 15)
    for y in range(15):
        for x in range(15):
            on_frame = x in (0, 14) or y in (0, 14)
            if on_frame or (x, y) in divider or (x, y) in arrow:
                cv.set_pixel(x, y, WHITE)
            elif covered and covered[0] <= x <= covered[2] and covered[1] <= y <= covered[3] \
                    and (x + y) % 3 == 0:
                cv.set_pixel(x, y, HATCH)
    return cv


def _pixels(rows, x0, y0):
    """Pixel set from a little picture: '#' marks a pixel; (x0, y0) is its top left."""
    return {(x0 + i, y0 + j) for j, row in enumerate(rows) for i, ch in enumerate(row) if ch == "#"}


def size_icons():
    """15 x 15: white frame with the covered part hatched, and arrows."""
    # Covered top-left quarter, outlined on its open sides.
    divider = {(7, y) for y in range(1, 8)} | {(x, 7) for x in range(1, 8)}
    _size_icon((1, 1, 6, 6), divider, set()).save("icons/Icones_Options/quarter-size.png")

    # Left half with a vertical double arrow spanning the full height.
    arrow_v = _pixels(["  ##  ",
                       " #### ",
                       "######",
                       "  ##  ",
                       "  ##  ",
                       "  ##  ",
                       "  ##  ",
                       "  ##  ",
                       "######",
                       " #### ",
                       "  ##  "], 1, 2)
    divider = {(7, y) for y in range(1, 14)}
    _size_icon((1, 1, 6, 13), divider, arrow_v).save("icons/Icones_Options/full-size-v.png")

    # Top half with a horizontal double arrow spanning the full width.
    arrow_h = {(y, x) for (x, y) in arrow_v}
    divider = {(x, 7) for x in range(1, 14)}
    _size_icon((1, 1, 13, 6), divider, arrow_h).save("icons/Icones_Options/full-size-h.png")

    # Whole area: arrows from the centre to the four corners.
    corner = _pixels(["###  ",
                      "##   ",
                      "# #  ",
                      "   # ",
                      "    #"], 2, 2)
    arrows = set()
    for (x, y) in corner | {(6, 6), (7, 7)}:
        for mx in (False, True):
            for my in (False, True):
                arrows.add((14 - x if mx else x, 14 - y if my else y))
    _size_icon(None, set(), arrows).save("icons/Icones_Options/full-size.png")


def stylesheet_arrows():
    """White triangles; flat sides on pixel edges so they stay crisp."""
    cv = Canvas(12, 12)
    m = Mask(12, 12)
    m.polygon([(6, 3.5), (10.5, 8), (1.5, 8)])
    m.paint(cv, WHITE)
    cv.save("Icon_StyleSheet/up-arrow-12x12.png")

    cv = Canvas(12, 12)
    m = Mask(12, 12)
    m.polygon([(1.5, 4), (10.5, 4), (6, 8.5)])
    m.paint(cv, WHITE)
    cv.save("Icon_StyleSheet/down-arrow-12x12.png")

    cv = Canvas(15, 15)
    m = Mask(15, 15)
    m.polygon([(2.5, 5), (12.5, 5), (7.5, 10)])
    m.paint(cv, WHITE)
    cv.save("Icon_StyleSheet/down-arrow-15x15.png")


def _padlock(opened):
    """The body stays in place; opening lifts the shackle and frees its left leg."""
    w, h = 300, 300
    cv = Canvas(w, h)
    cx, r_out, r_in = 150, 74, 44
    arch_y = 84 if opened else 140
    shackle = Mask(w, h)
    shackle.polygon(arc_points(cx, arch_y, r_out, r_out, 180, 360, 90)
                    + arc_points(cx, arch_y, r_in, r_in, 360, 180, 90))
    # Legs start a little above the arch's ends so the two parts overlap.
    shackle.rect(cx + r_in, arch_y - 1, r_out - r_in, 172 - arch_y)
    if opened:
        shackle.polygon(rounded_rect_points(cx - r_out, arch_y - 8, r_out - r_in, 42, 6))
    else:
        shackle.rect(cx - r_out, arch_y - 1, r_out - r_in, 172 - arch_y)
    shackle.paint(cv, LOCK_SHACKLE)

    body = Mask(w, h)
    body.polygon(rounded_rect_points(46, 156, 208, 134, 24))
    body.paint(cv, LOCK_BODY)
    hole = Mask(w, h)
    hole.circle(150, 208, 19)
    hole.polygon([(141, 212), (159, 212), (165, 260), (135, 260)])
    hole.cut(cv)
    return cv


def lock_icons():
    _padlock(False).save("locker/locker-close.png")
    _padlock(True).save("locker/locker-open.png")


def main():
    grid()
    position_icons()
    size_icons()
    stylesheet_arrows()
    logo_kv()
    logo_blanc()
    logo_blanc_long()
    icone_about()
    lock_icons()


if __name__ == "__main__":
    main()
