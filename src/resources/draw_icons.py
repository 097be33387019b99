#!/usr/bin/python3
"""Draws ZANT's pictures and writes them as Windows icon files.

All of the program's pictures are drawn here from code rather than kept
only as opaque binaries, so a colour or a shape can be changed and the
files regenerated.  The generated files are committed beside this script;
the output is deterministic, so regenerating without changes gives the
same bytes and a clean diff.

Files written next to this script:

  favicon.ico   browser icon served at /favicon.ico: 32x32 and 16x16,
                16 colours (4 bits per pixel) so every browser and every
                old Windows shell can read it; exactly 1078 bytes
  app.ico       the program's own icon: 48, 32 and 16 pixels in 32-bit
                BGRA with alpha, plus 32 and 16 pixel 16-colour copies
  tvpic.ico     32x32 monitor showing a file list (file list view)
  tvani.ani     animated 32x32 monitor with log lines scrolling up
                (request log view)
  red.ico, yellow.ico, green.ico
                16x16 status lamps for the notification area

Usage:
  draw_icons.py                 draw, write and then check every file
  draw_icons.py --check         only re-read and check the files on disk
  draw_icons.py --preview OUT   also write a PNG contact sheet of every
                                image (all sizes, all frames) at 4x

Only the Python 3 standard library is used.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Samples per pixel along each axis when computing edge coverage.
SUPERSAMPLE = 8


# ---------------------------------------------------------------------------
# Colours
# ---------------------------------------------------------------------------

def rgb(hexstr, a=1.0):
    """'#rrggbb' -> (r, g, b, a) as floats in 0..1 (straight alpha)."""
    h = hexstr.lstrip('#')
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0,
            int(h[4:6], 16) / 255.0, a)


def with_alpha(c, a):
    return (c[0], c[1], c[2], a)


def mix(c0, c1, t):
    return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(4))


# One palette for all pictures so they look like they belong together.
INK = rgb('#1d2630')            # outlines of dark objects
WHITE = rgb('#ffffff')

FOLDER_LINE = rgb('#8a5208')
FOLDER_BACK_TOP = rgb('#e9a231')
FOLDER_BACK_BOT = rgb('#cf8418')
FOLDER_FRONT_TOP = rgb('#ffdb72')
FOLDER_FRONT_BOT = rgb('#f5ae34')
FOLDER_LIP = rgb('#fff3c4')

GLOBE_LINE = rgb('#123f7a')
GLOBE_LIGHT = rgb('#79c0ff')
GLOBE_MID = rgb('#2f80dc')
GLOBE_DARK = rgb('#1d5cb4')
GLOBE_GRID = rgb('#e8f4ff')

BODY_TOP = rgb('#6c7888')
BODY_BOT = rgb('#3b4552')
BEZEL_SHADOW = rgb('#151b22')
SCREEN_LIGHT = rgb('#f7fafd')
SCREEN_DARK = rgb('#0e1822')
HEADER_BLUE = rgb('#3a7bd5')
TEXT_GREY = rgb('#71808f')
DOC_LINE = rgb('#8796a8')
SCROLL_TRACK = rgb('#e1e7ee')
SCROLL_THUMB = rgb('#a3b1c0')
LOG_DIM = rgb('#4f6172')
LOG_TEXT = rgb('#b9c6d3')

LAMP_GREEN = dict(line=rgb('#0c4f18'), dark=rgb('#14782a'),
                  base=rgb('#2fb347'), light=rgb('#9af5a4'))
LAMP_AMBER = dict(line=rgb('#7a4e00'), dark=rgb('#c27800'),
                  base=rgb('#f6b300'), light=rgb('#ffe98a'))
LAMP_RED = dict(line=rgb('#6a0d09'), dark=rgb('#a3150f'),
                base=rgb('#e2332a'), light=rgb('#ff9a8c'))

LOG_OK = LAMP_GREEN['base']
LOG_WARN = LAMP_AMBER['base']
LOG_ERR = rgb('#ff5a4e')


# ---------------------------------------------------------------------------
# Shapes as signed distance functions
#
# A shape is a function f(x, y) that is negative inside and positive
# outside, in pixel units (pixel (i, j) covers [i, i+1] x [j, j+1]).
# Having distances rather than just inside/outside tests makes outlines
# and insets one-liners.  `exact` says whether |f| never overestimates the
# distance to the edge, which lets the rasteriser skip supersampling
# pixels that are clearly inside or outside.
# ---------------------------------------------------------------------------

class Shape:
    def __init__(self, f, bbox, exact=True):
        self.f = f
        self.bbox = bbox
        self.exact = exact

    def __or__(self, o):
        f, g = self.f, o.f
        return Shape(lambda x, y: min(f(x, y), g(x, y)),
                     _bbox_union(self.bbox, o.bbox), self.exact and o.exact)

    def __and__(self, o):
        f, g = self.f, o.f
        return Shape(lambda x, y: max(f(x, y), g(x, y)),
                     _bbox_meet(self.bbox, o.bbox), self.exact and o.exact)

    def __sub__(self, o):
        f, g = self.f, o.f
        return Shape(lambda x, y: max(f(x, y), -g(x, y)),
                     self.bbox, self.exact and o.exact)

    def grow(self, d):
        """Offset the edge outwards by d (inwards when d < 0)."""
        f = self.f
        x0, y0, x1, y1 = self.bbox
        return Shape(lambda x, y: f(x, y) - d,
                     (x0 - max(d, 0), y0 - max(d, 0),
                      x1 + max(d, 0), y1 + max(d, 0)), self.exact)

    def stroke(self, w):
        """A band of width w centred on the edge."""
        f = self.f
        h = w / 2.0
        x0, y0, x1, y1 = self.bbox
        return Shape(lambda x, y: abs(f(x, y)) - h,
                     (x0 - h, y0 - h, x1 + h, y1 + h), self.exact)


def _bbox_union(a, b):
    return (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3]))


def _bbox_meet(a, b):
    return (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3]))


def rect(x0, y0, x1, y1):
    return rrect(x0, y0, x1, y1, 0.0)


def rrect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def f(x, y):
        qx = abs(x - cx) - hx
        qy = abs(y - cy) - hy
        out = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return out + min(max(qx, qy), 0.0) - r
    return Shape(f, (x0, y0, x1, y1))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r,
                 (cx - r, cy - r, cx + r, cy + r))


def ellipse(cx, cy, rx, ry):
    # First-order distance estimate (value / gradient length); good near
    # the edge, which is all that strokes and anti-aliasing need.
    def f(x, y):
        u = (x - cx) / rx
        v = (y - cy) / ry
        val = u * u + v * v - 1.0
        gx = 2.0 * u / rx
        gy = 2.0 * v / ry
        g = math.hypot(gx, gy)
        if g < 1e-9:
            return -min(rx, ry)
        return val / g
    return Shape(f, (cx - rx, cy - ry, cx + rx, cy + ry), exact=False)


def polygon(pts):
    n = len(pts)

    def f(x, y):
        d = (x - pts[0][0]) ** 2 + (y - pts[0][1]) ** 2
        s = 1.0
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            ex, ey = xj - xi, yj - yi
            wx, wy = x - xi, y - yi
            t = min(max((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0), 1.0)
            bx, by = wx - ex * t, wy - ey * t
            d = min(d, bx * bx + by * by)
            c1 = y >= yi
            c2 = y < yj
            c3 = ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                s = -s
            j = i
        return s * math.sqrt(d)
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(f, (min(xs), min(ys), max(xs), max(ys)))


# ---------------------------------------------------------------------------
# Paints: a colour, or a function of the pixel centre returning a colour
# ---------------------------------------------------------------------------

def _stops_at(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 1.0)
    return stops[-1][1]


def linear(x0, y0, x1, y1, stops):
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy
    return lambda x, y: _stops_at(stops, ((x - x0) * dx + (y - y0) * dy) / ll)


def radial(cx, cy, r, stops):
    return lambda x, y: _stops_at(stops, math.hypot(x - cx, y - cy) / r)


# ---------------------------------------------------------------------------
# Canvas: premultiplied RGBA floats, painted with "over"
# ---------------------------------------------------------------------------

class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]

    def fill(self, shape, paint, opacity=1.0):
        f = shape.f
        x0, y0, x1, y1 = shape.bbox
        ix0 = max(0, int(math.floor(x0)))
        iy0 = max(0, int(math.floor(y0)))
        ix1 = min(self.w, int(math.ceil(x1)))
        iy1 = min(self.h, int(math.ceil(y1)))
        n = SUPERSAMPLE
        offs = [(k + 0.5) / n for k in range(n)]
        total = float(n * n)
        for py in range(iy0, iy1):
            for px in range(ix0, ix1):
                cov = None
                if shape.exact:
                    d = f(px + 0.5, py + 0.5)
                    if d > 0.75:
                        continue
                    if d < -0.75:
                        cov = 1.0
                if cov is None:
                    hit = 0
                    for oy in offs:
                        y = py + oy
                        for ox in offs:
                            if f(px + ox, y) <= 0.0:
                                hit += 1
                    if not hit:
                        continue
                    cov = hit / total
                c = paint(px + 0.5, py + 0.5) if callable(paint) else paint
                a = c[3] * cov * opacity
                if a <= 0.0:
                    continue
                dst = self.px[py * self.w + px]
                k = 1.0 - a
                dst[0] = c[0] * a + dst[0] * k
                dst[1] = c[1] * a + dst[1] * k
                dst[2] = c[2] * a + dst[2] * k
                dst[3] = a + dst[3] * k

    def rgba_bytes(self):
        """Rows top-down of (r, g, b, a) byte tuples, straight alpha.

        Alpha below 4/255 is dropped to zero: it can't be seen, and a clean
        zero keeps the AND mask honest for displays that only use the mask.
        """
        rows = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                ab = int(round(min(max(a, 0.0), 1.0) * 255))
                if ab < 4:
                    row.append((0, 0, 0, 0))
                    continue
                row.append((_byte(r / a), _byte(g / a), _byte(b / a), ab))
            rows.append(row)
        return rows


def _byte(v):
    return int(round(min(max(v, 0.0), 1.0) * 255))


# ---------------------------------------------------------------------------
# The program icon: a folder with a globe in front of it ("files, served")
# ---------------------------------------------------------------------------

# Hand-placed geometry per size so edges land on pixel boundaries.
APP_GEOMETRY = {
    48: dict(back=(3, 8, 41, 40, 3.0), tab=(3, 4, 16), front_top=15,
             front_bottom=40, globe=(34.0, 34.0, 12.5), gap=1.0, lw=1.0,
             grid=1.2, grid_alpha=0.7, meridians=(0, 0.5), parallels=(-0.5, 0, 0.5),
             tilt=0.3),
    32: dict(back=(2, 5, 28, 27, 2.0), tab=(2, 3, 11), front_top=10,
             front_bottom=27, globe=(23.0, 23.0, 8.0), gap=1.0, lw=1.0,
             grid=1.0, grid_alpha=0.8, meridians=(0, 0.55), parallels=(0,),
             tilt=0.3),
    16: dict(back=(0, 2, 14, 13, 1.0), tab=(0, 1, 6), front_top=5,
             front_bottom=13, globe=(11.5, 11.5, 4.5), gap=0.6, lw=1.0,
             grid=1.0, grid_alpha=0.7, meridians=(0,), parallels=(0,),
             tilt=0.35),
}


def draw_app(size):
    g = APP_GEOMETRY[size]
    c = Canvas(size, size)
    lw = g['lw']

    # Folder back plate with its tab.
    bx0, by0, bx1, by1, br = g['back']
    tx0, ty0, tx1 = g['tab']
    slant = tx1 + (by0 - ty0)              # 45 degree shoulder
    tab = rrect(tx0, ty0, tx1, by0 + br + 1, br) | polygon(
        [(tx0 + br, ty0), (tx1 - 0.5, ty0), (slant, by0 + 0.5), (tx0 + br, by0 + 0.5)])
    back = rrect(bx0, by0, bx1, by1, br) | tab
    c.fill(back, FOLDER_LINE)
    c.fill(back.grow(-lw), linear(0, ty0, 0, by1,
                                  [(0, FOLDER_BACK_TOP), (1, FOLDER_BACK_BOT)]))

    # Folder front, a little lower than the back so the tab and a strip of
    # the back plate stay visible.
    ft = g['front_top']
    fy1 = g['front_bottom']
    front = rrect(bx0, ft, bx1, fy1, br)
    c.fill(front, FOLDER_LINE)
    inner = front.grow(-lw)
    c.fill(inner, linear(0, ft, 0, fy1,
                         [(0, FOLDER_FRONT_TOP), (1, FOLDER_FRONT_BOT)]))
    if size >= 32:
        c.fill(rect(bx0 + lw + 1, ft + lw, bx1 - 1, ft + lw + 1) & inner,
               FOLDER_LIP, 0.9)

    # Globe.
    gx, gy, gr = g['globe']
    # A thin gap around the globe keeps it apart from the folder.
    _knock_out(c, circle(gx, gy, gr + g['gap']))
    disc = circle(gx, gy, gr)
    c.fill(disc, GLOBE_LINE)
    body = disc.grow(-lw)
    c.fill(body, radial(gx - gr * 0.35, gy - gr * 0.4, gr * 1.35,
                        [(0, GLOBE_LIGHT), (0.55, GLOBE_MID), (1, GLOBE_DARK)]))
    inside = disc.grow(-lw - 0.3)
    c.fill(globe_grid(gx, gy, gr, g['grid'], g['meridians'], g['parallels'],
                      g['tilt']) & inside, GLOBE_GRID, g['grid_alpha'])
    # Soft highlight in the upper left.
    c.fill(ellipse(gx - gr * 0.32, gy - gr * 0.42, gr * 0.5, gr * 0.32) & inside,
           WHITE, 0.35)
    return c


def globe_grid(gx, gy, r, w, meridians, parallels, tilt):
    """Lines of a globe seen from a little above its equator.

    meridians: half-widths (fractions of r) of the meridian ellipses, 0
    for the straight central one.  parallels: heights of the parallels
    as fractions of r (0 is the equator, negative is north).  Only the
    front half of each parallel is drawn, curving down as seen from
    above; the meridians are kept upright, which reads better at small
    sizes than a true tilt.
    """
    grid = None
    for m in meridians:
        if m == 0:
            line = rect(gx - w / 2, gy - r, gx + w / 2, gy + r)
        else:
            line = ellipse(gx, gy, r * m, r).stroke(w)
        grid = line if grid is None else grid | line
    for p in parallels:
        cy = gy + p * r
        rx = r * math.sqrt(max(1.0 - p * p, 0.0))
        ry = max(rx * tilt, 0.01)
        if tilt == 0:
            line = rect(gx - rx, cy - w / 2, gx + rx, cy + w / 2)
        else:
            line = ellipse(gx, cy, rx, ry).stroke(w) & rect(
                gx - r, cy, gx + r, cy + ry + w)
        grid = line if grid is None else grid | line
    return grid


def _knock_out(c, shape):
    """Erase what lies under shape (coverage weighted)."""
    f = shape.f
    x0, y0, x1, y1 = shape.bbox
    n = SUPERSAMPLE
    offs = [(k + 0.5) / n for k in range(n)]
    for py in range(max(0, int(y0)), min(c.h, int(math.ceil(y1)))):
        for px in range(max(0, int(x0)), min(c.w, int(math.ceil(x1)))):
            hit = sum(1 for oy in offs for ox in offs if f(px + ox, py + oy) <= 0)
            if hit:
                k = 1.0 - hit / float(n * n)
                dst = c.px[py * c.w + px]
                for i in range(4):
                    dst[i] *= k


# ---------------------------------------------------------------------------
# The view toggle: a monitor, showing a file list or a scrolling log
# ---------------------------------------------------------------------------

SCREEN = (4, 5, 28, 21)        # x0, y0, x1, y1 of the visible screen


def draw_monitor(c, led):
    # Stand first so the body overlaps it.
    neck = rect(13, 24, 19, 28)
    c.fill(neck, INK)
    c.fill(rect(14, 24, 18, 28), linear(0, 24, 0, 28, [(0, BODY_BOT), (1, BODY_TOP)]))
    foot = rrect(8, 27, 24, 31, 1.5)
    c.fill(foot, INK)
    c.fill(foot.grow(-1), linear(0, 28, 0, 30, [(0, BODY_TOP), (1, BODY_BOT)]))

    body = rrect(1, 2, 31, 25, 2.5)
    c.fill(body, INK)
    c.fill(body.grow(-1), linear(0, 3, 0, 24, [(0, BODY_TOP), (1, BODY_BOT)]))
    # Light catching the top edge of the bezel.
    c.fill(rect(3, 3, 29, 4), WHITE, 0.18)
    sx0, sy0, sx1, sy1 = SCREEN
    c.fill(rect(sx0 - 1, sy0 - 1, sx1 + 1, sy1 + 1), BEZEL_SHADOW)
    # Power / activity lamp on the bottom bezel.
    if led is not None:
        c.fill(rect(25, 22, 27, 23), led)


def draw_screen_glare(c):
    sx0, sy0, sx1, sy1 = SCREEN
    glare = polygon([(sx0, sy0), (sx0 + 15, sy0), (sx0, sy0 + 11)])
    c.fill(glare & rect(sx0, sy0, sx1, sy1), WHITE, 0.07)


def draw_tvpic():
    c = Canvas(32, 32)
    draw_monitor(c, LAMP_GREEN['base'])
    sx0, sy0, sx1, sy1 = SCREEN
    c.fill(rect(sx0, sy0, sx1, sy1), SCREEN_LIGHT)
    c.fill(rect(sx0, sy0, sx1, sy0 + 3), HEADER_BLUE)
    c.fill(rect(sx0 + 2, sy0 + 1, sx0 + 9, sy0 + 2), WHITE, 0.85)
    # Scroll bar on the right.
    c.fill(rect(sx1 - 2, sy0 + 3, sx1, sy1), SCROLL_TRACK)
    c.fill(rect(sx1 - 2, sy0 + 4, sx1, sy0 + 9), SCROLL_THUMB)
    # Three rows: two folders and a document, each followed by its name.
    rows = [('folder', 12), ('folder', 9), ('doc', 13)]
    for i, (kind, length) in enumerate(rows):
        y = sy0 + 4 + 4 * i
        ix = sx0 + 2
        if kind == 'folder':
            c.fill(rect(ix, y, ix + 2, y + 1), FOLDER_BACK_BOT)
            c.fill(rect(ix, y + 1, ix + 4, y + 2), FOLDER_FRONT_TOP)
            c.fill(rect(ix, y + 2, ix + 4, y + 3), FOLDER_FRONT_BOT)
        else:
            c.fill(rect(ix, y, ix + 3, y + 3), DOC_LINE)
            c.fill(rect(ix + 1, y + 1, ix + 2, y + 2), WHITE)
        c.fill(rect(ix + 6, y + 1, ix + 6 + length, y + 2), TEXT_GREY)
    draw_screen_glare(c)
    return c


# The log being "written": status colour and message length of each line.
LOG_LINES = [
    (LOG_OK, 11), (LOG_OK, 7), (LOG_WARN, 12), (LOG_OK, 9),
    (LOG_ERR, 5), (LOG_OK, 12), (LOG_OK, 8), (LOG_OK, 10),
]
LOG_VISIBLE = 5
# Activity lamp per frame: flickers like a network light.
LOG_LED = [True, False, True, True, False, True, False, True]


def draw_tvani_frame(frame):
    c = Canvas(32, 32)
    led = LAMP_AMBER['base'] if LOG_LED[frame] else LAMP_AMBER['dark']
    draw_monitor(c, led)
    sx0, sy0, sx1, sy1 = SCREEN
    c.fill(rect(sx0, sy0, sx1, sy1), SCREEN_DARK)
    # Each frame the log moves up one line and a new one appears at the
    # bottom, as a busy log window does.
    for row in range(LOG_VISIBLE):
        colour, length = LOG_LINES[(frame + row) % len(LOG_LINES)]
        y = sy0 + 1 + 3 * row
        c.fill(rect(sx0 + 1, y, sx0 + 4, y + 1), LOG_DIM)
        c.fill(rect(sx0 + 5, y, sx0 + 8, y + 1), colour)
        c.fill(rect(sx0 + 9, y, sx0 + 9 + length, y + 1), LOG_TEXT)
    # A blinking cursor at the end of the newest line.
    if frame % 2 == 0:
        length = LOG_LINES[(frame + LOG_VISIBLE - 1) % len(LOG_LINES)][1]
        x = sx0 + 10 + length
        y = sy0 + 1 + 3 * (LOG_VISIBLE - 1)
        c.fill(rect(x, y - 1, x + 1, y + 1), LOG_TEXT)
    draw_screen_glare(c)
    return c


# ---------------------------------------------------------------------------
# Status lamps
# ---------------------------------------------------------------------------

def draw_lamp(col):
    c = Canvas(16, 16)
    cx, cy, r = 8.0, 8.0, 7.0
    c.fill(circle(cx, cy, r), col['line'])
    c.fill(circle(cx, cy, r - 1.0),
           radial(cx - 1.2, cy - 1.6, r + 0.6,
                  [(0, col['light']), (0.45, col['base']), (1, col['dark'])]))
    hl = ellipse(cx - 1.3, cy - 2.8, 3.0, 1.9)
    c.fill(hl, linear(0, cy - 4.8, 0, cy - 0.6,
                      [(0, with_alpha(WHITE, 0.85)), (1, with_alpha(WHITE, 0.1))]))
    return c


# ---------------------------------------------------------------------------
# 16-colour versions
# ---------------------------------------------------------------------------

def _dist2(a, b):
    # Weighted RGB distance; green matters most to the eye, blue least.
    dr, dg, db = a[0] - b[0], a[1] - b[1], a[2] - b[2]
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db


def _pal(c):
    return tuple(_byte(v) for v in c[:3])


# The 16 colours of the 16-colour icons, taken from the drawing colours
# above plus the in-between shades the gradients and grid lines need.
# Entry 0 is black: transparent pixels hold it under a set AND mask.
PALETTE_16 = [_pal(c) for c in (
    (0, 0, 0, 1),
    FOLDER_LINE,
    FOLDER_BACK_BOT,
    FOLDER_BACK_TOP,
    FOLDER_FRONT_BOT,
    mix(FOLDER_FRONT_BOT, FOLDER_FRONT_TOP, 0.5),
    FOLDER_FRONT_TOP,
    FOLDER_LIP,
    GLOBE_LINE,
    GLOBE_DARK,
    GLOBE_MID,
    mix(GLOBE_MID, GLOBE_LIGHT, 0.5),
    GLOBE_LIGHT,
    mix(GLOBE_MID, GLOBE_GRID, 0.6),
    GLOBE_GRID,
    WHITE,
)]
assert len(PALETTE_16) == 16


def quantise(rows, pal):
    """-> (index rows, mask rows) with mask 1 = transparent."""
    idx, mask = [], []
    cache = {}
    for row in rows:
        irow, mrow = [], []
        for r, g, b, a in row:
            if a < 128:
                irow.append(0)
                mrow.append(1)
                continue
            key = (r, g, b)
            if key not in cache:
                cache[key] = min(range(1, 16), key=lambda i: (_dist2(key, pal[i]), i))
            irow.append(cache[key])
            mrow.append(0)
        idx.append(irow)
        mask.append(mrow)
    return idx, mask


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------

def _mask_bytes(mask_rows, w):
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for row in reversed(mask_rows):          # bottom-up like the colour data
        line = bytearray(stride)
        for x, bit in enumerate(row):
            if bit:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def dib_32(rows):
    """BMP-in-ICO image, 32-bit BGRA plus AND mask."""
    h, w = len(rows), len(rows[0])
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a)) if a else b'\0\0\0\0'
    mask = _mask_bytes([[1 if p[3] == 0 else 0 for p in row] for row in rows], w)
    hdr = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0,
                      len(xor) + len(mask), 0, 0, 0, 0)
    return dict(w=w, h=h, colours=0, bpp=32, data=hdr + bytes(xor) + mask)


def dib_4(idx_rows, mask_rows, pal):
    """BMP-in-ICO image, 16 colours plus AND mask."""
    h, w = len(idx_rows), len(idx_rows[0])
    stride = ((w * 4 + 31) // 32) * 4
    xor = bytearray()
    for row in reversed(idx_rows):
        line = bytearray(stride)
        for x, v in enumerate(row):
            line[x >> 1] |= v << (4 if x % 2 == 0 else 0)
        xor += line
    mask = _mask_bytes(mask_rows, w)
    hdr = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0,
                      len(xor) + len(mask), 0, 0, 0, 0)
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in pal)
    assert len(palette) == 64
    return dict(w=w, h=h, colours=16, bpp=4, data=hdr + palette + bytes(xor) + mask)


def ico_file(images):
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for im in images:
        out += struct.pack('<BBBBHHII', im['w'] % 256, im['h'] % 256,
                           im['colours'], 0, 1, im['bpp'], len(im['data']), offset)
        offset += len(im['data'])
    for im in images:
        out += im['data']
    return bytes(out)


def riff_chunk(cid, data):
    pad = b'\0' if len(data) % 2 else b''
    return cid + struct.pack('<I', len(data)) + data + pad


ANI_RATE = 9            # jiffies (1/60 s) per frame
AF_ICON = 1


def ani_file(frame_icos, rate):
    n = len(frame_icos)
    anih = struct.pack('<9I', 36, n, n, 32, 32, 32, 1, rate, AF_ICON)
    fram = b'fram' + b''.join(riff_chunk(b'icon', ico) for ico in frame_icos)
    body = b'ACON' + riff_chunk(b'anih', anih) + riff_chunk(b'LIST', fram)
    return b'RIFF' + struct.pack('<I', len(body)) + body


def build():
    """Draw everything. -> {file name: bytes}."""
    files = {}

    app = {s: draw_app(s).rgba_bytes() for s in (48, 32, 16)}
    pal = PALETTE_16
    four = {s: dib_4(*quantise(app[s], pal), pal) for s in (32, 16)}

    favicon = ico_file([four[32], four[16]])
    assert len(favicon) == 1078, len(favicon)
    files['favicon.ico'] = favicon

    files['app.ico'] = ico_file([dib_32(app[48]), dib_32(app[32]), dib_32(app[16]),
                                 four[32], four[16]])
    files['tvpic.ico'] = ico_file([dib_32(draw_tvpic().rgba_bytes())])
    frames = [ico_file([dib_32(draw_tvani_frame(f).rgba_bytes())])
              for f in range(len(LOG_LINES))]
    files['tvani.ani'] = ani_file(frames, ANI_RATE)
    files['red.ico'] = ico_file([dib_32(draw_lamp(LAMP_RED).rgba_bytes())])
    files['yellow.ico'] = ico_file([dib_32(draw_lamp(LAMP_AMBER).rgba_bytes())])
    files['green.ico'] = ico_file([dib_32(draw_lamp(LAMP_GREEN).rgba_bytes())])
    return files


# ---------------------------------------------------------------------------
# Reading the files back.  Written separately from the writers above (no
# shared helpers) so that a mistake in one is not mirrored in the other.
# ---------------------------------------------------------------------------

class BadFile(Exception):
    pass


def _need(cond, msg):
    if not cond:
        raise BadFile(msg)


def read_ico(data, name):
    """Parse and validate an .ico. -> list of decoded images.

    Each image is dict(w, h, bpp, rows) with rows top-down of (r, g, b, a).
    """
    _need(len(data) >= 6, name + ': too short for ICONDIR')
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    _need(reserved == 0, name + ': ICONDIR reserved must be 0')
    _need(kind == 1, name + ': not an icon (type %d)' % kind)
    _need(count >= 1, name + ': no images')
    _need(len(data) >= 6 + 16 * count, name + ': directory runs past end')
    images = []
    expect_offset = 6 + 16 * count
    for i in range(count):
        w, h, ncol, res, planes, bpp, size, offset = struct.unpack_from(
            '<BBBBHHII', data, 6 + 16 * i)
        w, h = w or 256, h or 256
        tag = '%s image %d' % (name, i)
        _need(res == 0, tag + ': entry reserved byte must be 0')
        _need(planes == 1, tag + ': planes must be 1')
        _need(bpp in (4, 32), tag + ': unexpected bit count %d' % bpp)
        _need(ncol == (16 if bpp == 4 else 0), tag + ': bad colour count')
        _need(offset == expect_offset, tag + ': image data not packed in order')
        _need(offset + size <= len(data), tag + ': image runs past end of file')
        expect_offset = offset + size
        img = data[offset:offset + size]
        _need(img[:8] != b'\x89PNG\r\n\x1a\n', tag + ': PNG inside, want BMP')
        (bi_size, bi_w, bi_h, bi_planes, bi_bpp, bi_comp, bi_img,
         _, _, bi_used, _) = struct.unpack_from('<IiiHHIIiiII', img, 0)
        _need(bi_size == 40, tag + ': BITMAPINFOHEADER size %d' % bi_size)
        _need(bi_w == w and bi_h == 2 * h, tag + ': header size disagrees with entry')
        _need(bi_planes == 1 and bi_bpp == bpp, tag + ': header planes/bpp disagree')
        _need(bi_comp == 0, tag + ': must be BI_RGB')
        ncolours = 0
        if bpp == 4:
            ncolours = bi_used or 16
            _need(ncolours == 16, tag + ': palette must have 16 entries')
        xor_stride = ((w * bpp + 31) // 32) * 4
        and_stride = ((w + 31) // 32) * 4
        want = 40 + 4 * ncolours + xor_stride * h + and_stride * h
        _need(size == want, tag + ': %d bytes, expected %d' % (size, want))
        _need(bi_img in (0, xor_stride * h, xor_stride * h + and_stride * h),
              tag + ': odd biSizeImage')
        pal_at = 40
        xor_at = pal_at + 4 * ncolours
        and_at = xor_at + xor_stride * h
        rows = []
        for y in range(h):
            src = h - 1 - y                      # stored bottom-up
            xrow = img[xor_at + src * xor_stride:]
            arow = img[and_at + src * and_stride:]
            row = []
            for x in range(w):
                masked = (arow[x >> 3] >> (7 - (x & 7))) & 1
                if bpp == 32:
                    b, g, r, a = xrow[4 * x:4 * x + 4]
                    _need(not (masked and a), tag + ': masked pixel has alpha')
                    _need(masked or a, tag + ': unmasked pixel fully transparent')
                else:
                    v = (xrow[x >> 1] >> (4 if x % 2 == 0 else 0)) & 15
                    b, g, r, _ = img[pal_at + 4 * v:pal_at + 4 * v + 4]
                    if masked:
                        _need(v == 0 and (r, g, b) == (0, 0, 0),
                              tag + ': masked pixel must be black')
                    a = 0 if masked else 255
                row.append((r, g, b, a))
            rows.append(row)
        images.append(dict(w=w, h=h, bpp=bpp, rows=rows))
    _need(expect_offset == len(data), name + ': trailing bytes after last image')
    return images


def read_ani(data, name):
    """Parse and validate an animated cursor/icon. -> (anih dict, frames)."""
    _need(data[:4] == b'RIFF', name + ': not RIFF')
    (riff_len,) = struct.unpack_from('<I', data, 4)
    _need(riff_len + 8 == len(data), name + ': RIFF length disagrees with file')
    _need(data[8:12] == b'ACON', name + ': RIFF form is not ACON')
    pos = 12
    anih, rate, frames = None, None, None
    while pos < len(data):
        _need(pos + 8 <= len(data), name + ': truncated chunk header')
        cid = data[pos:pos + 4]
        (clen,) = struct.unpack_from('<I', data, pos + 4)
        body = data[pos + 8:pos + 8 + clen]
        _need(len(body) == clen, name + ': chunk %r runs past end' % cid)
        if cid == b'anih':
            _need(clen == 36, name + ': anih chunk must be 36 bytes')
            f = struct.unpack('<9I', body)
            anih = dict(zip(('cbSize', 'nFrames', 'nSteps', 'iWidth', 'iHeight',
                             'iBitCount', 'nPlanes', 'iDispRate', 'bfAttributes'), f))
        elif cid == b'rate':
            rate = list(struct.unpack('<%dI' % (clen // 4), body))
        elif cid == b'LIST' and body[:4] == b'fram':
            frames = []
            p = 4
            while p < len(body):
                fid = body[p:p + 4]
                (flen,) = struct.unpack_from('<I', body, p + 4)
                _need(fid == b'icon', name + ': unexpected chunk %r in fram' % fid)
                _need(p + 8 + flen <= len(body), name + ': icon chunk runs past LIST')
                frames.append(body[p + 8:p + 8 + flen])
                p += 8 + flen + (flen & 1)
            _need(p == len(body), name + ': fram LIST length mismatch')
        pos += 8 + clen + (clen & 1)
    _need(pos == len(data), name + ': chunks do not end at end of file')
    _need(anih is not None, name + ': no anih chunk')
    _need(frames is not None, name + ': no fram LIST')
    _need(anih['cbSize'] == 36, name + ': anih cbSize')
    _need(anih['nFrames'] == len(frames), name + ': nFrames disagrees with fram')
    _need(anih['nSteps'] == len(frames), name + ': nSteps (no seq chunk) must be nFrames')
    _need((anih['iWidth'], anih['iHeight']) == (32, 32), name + ': anih size')
    _need(anih['iBitCount'] == 32 and anih['nPlanes'] == 1, name + ': anih bpp/planes')
    _need(anih['bfAttributes'] == AF_ICON, name + ': want AF_ICON only')
    _need(1 <= anih['iDispRate'] <= 60, name + ': display rate')
    if rate is not None:
        _need(len(rate) == anih['nSteps'], name + ': rate needs one entry per step')
    decoded = []
    for i, fr in enumerate(frames):
        imgs = read_ico(fr, '%s frame %d' % (name, i))
        _need(len(imgs) == 1, name + ': frame %d has %d images' % (i, len(imgs)))
        im = imgs[0]
        _need((im['w'], im['h'], im['bpp']) == (32, 32, 32),
              name + ': frame %d is not 32x32 32-bit' % i)
        decoded.append(im)
    return anih, decoded


EXPECTED = {
    # name: list of (w, bpp) in file order
    'favicon.ico': [(32, 4), (16, 4)],
    'app.ico': [(48, 32), (32, 32), (16, 32), (32, 4), (16, 4)],
    'tvpic.ico': [(32, 32)],
    'red.ico': [(16, 32)],
    'yellow.ico': [(16, 32)],
    'green.ico': [(16, 32)],
}


def check(folder):
    """Re-read every file and validate it. Returns decoded images by file."""
    decoded = {}
    for name, want in EXPECTED.items():
        with open(os.path.join(folder, name), 'rb') as fh:
            data = fh.read()
        imgs = read_ico(data, name)
        got = [(im['w'], im['bpp']) for im in imgs]
        _need(got == want, '%s: images %r, expected %r' % (name, got, want))
        for im in imgs:
            _need(im['w'] == im['h'], name + ': images must be square')
            _need(any(p[3] for row in im['rows'] for p in row), name + ': empty image')
        decoded[name] = imgs
    with open(os.path.join(folder, 'favicon.ico'), 'rb') as fh:
        _need(len(fh.read()) == 1078, 'favicon.ico must be exactly 1078 bytes')
    with open(os.path.join(folder, 'tvani.ani'), 'rb') as fh:
        anih, frames = read_ani(fh.read(), 'tvani.ani')
    _need(6 <= len(frames) <= 8, 'tvani.ani: want 6 to 8 frames')
    _need(len({tuple(map(tuple, f['rows'])) for f in frames}) == len(frames),
          'tvani.ani: frames repeat')
    decoded['tvani.ani'] = frames
    return decoded


# ---------------------------------------------------------------------------
# Preview sheet
# ---------------------------------------------------------------------------

def write_png(path, w, h, rows):
    """rows: top-down lists of (r, g, b) tuples."""
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for p in row:
            raw += bytes(p)

    def chunk(cid, body):
        return (struct.pack('>I', len(body)) + cid + body +
                struct.pack('>I', zlib.crc32(cid + body) & 0xffffffff))
    png = (b'\x89PNG\r\n\x1a\n' +
           chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
           chunk(b'IDAT', zlib.compress(bytes(raw), 9)) +
           chunk(b'IEND', b''))
    with open(path, 'wb') as fh:
        fh.write(png)


# 3x5 glyphs for sheet labels.
FONT = {
    'A': '010101111101101', 'B': '110101110101110', 'C': '011100100100011',
    'D': '110101101101110', 'E': '111100110100111', 'F': '111100110100100',
    'G': '011100101101011', 'H': '101101111101101', 'I': '111010010010111',
    'J': '001001001101010', 'K': '101101110101101', 'L': '100100100100111',
    'M': '101111111101101', 'N': '110101101101101', 'O': '010101101101010',
    'P': '110101110100100', 'Q': '010101101110011', 'R': '110101110101101',
    'S': '011100010001110', 'T': '111010010010010', 'U': '101101101101111',
    'V': '101101101101010', 'W': '101101111111101', 'X': '101101010101101',
    'Y': '101101010010010', 'Z': '111001010100111', '0': '111101101101111',
    '1': '010110010010111', '2': '110001010100111', '3': '110001010001110',
    '4': '101101111001001', '5': '111100110001110', '6': '011100111101111',
    '7': '111001010010010', '8': '111101111101111', '9': '111101111001110',
    '.': '000000000000010', '-': '000000111000000', ' ': '000000000000000',
    '/': '001001010100100', ',': '000000000010100',
}


def preview(decoded, path, scale=4):
    items = [
        ('FAVICON.ICO  4-BIT', decoded['favicon.ico']),
        ('APP.ICO  32-BIT AND 4-BIT', decoded['app.ico']),
        ('TVPIC.ICO', decoded['tvpic.ico']),
        ('TVANI.ANI  FRAMES 1-%d' % len(decoded['tvani.ani']), decoded['tvani.ani']),
        ('RED.ICO, YELLOW.ICO, GREEN.ICO',
         decoded['red.ico'] + decoded['yellow.ico'] + decoded['green.ico']),
    ]
    backgrounds = [(240, 240, 240), (32, 36, 40), (58, 110, 165)]
    gap, label_h, pad = 12, 14, 10
    panel_w = pad
    rows_h = []
    for _, imgs in items:
        panel_w = max(panel_w, pad + sum(im['w'] * scale + gap for im in imgs) + pad)
        # 4x tile, then the real size underneath.
        rows_h.append(label_h + max(im['h'] for im in imgs) * (scale + 1) + 4 + gap)
    panel_h = pad + sum(rows_h)
    W = panel_w
    H = panel_h * len(backgrounds)
    canvas = [[(0, 0, 0)] * W for _ in range(H)]

    def put(x, y, rgba, bg):
        r, g, b, a = rgba
        k = a / 255.0
        canvas[y][x] = tuple(int(round(c * k + d * (1 - k))) for c, d in zip((r, g, b), bg))

    for pi, bg in enumerate(backgrounds):
        oy = pi * panel_h
        for y in range(oy, oy + panel_h):
            canvas[y] = [bg] * W
        ink = (0, 0, 0) if sum(bg) > 380 else (230, 230, 230)
        y = oy + pad
        for (label, imgs), rh in zip(items, rows_h):
            x = pad
            for ch in label:
                glyph = FONT.get(ch, FONT[' '])
                for gy in range(5):
                    for gx in range(3):
                        if glyph[gy * 3 + gx] == '1':
                            for dy in range(2):
                                for dx in range(2):
                                    canvas[y + gy * 2 + dy][x + gx * 2 + dx] = ink
                x += 8
            ty = y + label_h
            x = pad
            for im in imgs:
                for iy, row in enumerate(im['rows']):
                    for ix, p in enumerate(row):
                        for dy in range(scale):
                            for dx in range(scale):
                                put(x + ix * scale + dx, ty + iy * scale + dy, p, bg)
                        put(x + ix, ty + im['h'] * scale + 4 + iy, p, bg)
                x += im['w'] * scale + gap
            y += rh
    write_png(path, W, H, canvas)


def main(argv):
    args = argv[1:]
    preview_path = None
    if '--preview' in args:
        i = args.index('--preview')
        if i + 1 >= len(args):
            sys.exit('usage: draw_icons.py [--check] [--preview OUT.png]')
        preview_path = args[i + 1]
        del args[i:i + 2]
    only_check = '--check' in args
    if only_check:
        args.remove('--check')
    if args:
        sys.exit('usage: draw_icons.py [--check] [--preview OUT.png]')

    if not only_check:
        for name, data in sorted(build().items()):
            with open(os.path.join(HERE, name), 'wb') as fh:
                fh.write(data)
            print('wrote %-12s %6d bytes' % (name, len(data)))
    try:
        decoded = check(HERE)
    except BadFile as e:
        sys.exit('check failed: %s' % e)
    print('checked: all files parse and match their expected layout')
    if preview_path:
        preview(decoded, preview_path)
        print('preview written to', preview_path)


if __name__ == '__main__':
    main(sys.argv)
