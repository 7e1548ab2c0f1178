#!/usr/bin/env python3
"""Draws the control panel's pictures and writes them as Windows image files:

    icon100.ico, icon128.ico    32x32, 16 colours: a white Q on blue
    cursor138.cur               32x32, monochrome: a pointing hand, hot spot (0, 0)
    bmp131.bmp .. bmp134.bmp    54x54, 256 colours: corner speakers
    bmp135.bmp                  72x32, 256 colours: centre speaker
    bmp136.bmp                  51x48, 256 colours: subwoofer
    bmp137.bmp                  29x30, 256 colours: a yellow eighth note
    bmp143.bmp .. bmp147.bmp    16 colours: etched rules

    python3 make_pictures.py OUTPUT_DIR          write the files
    python3 make_pictures.py --check OUTPUT_DIR  verify the files there

Only the standard library is used and the output is the same byte for byte
on every run: no clock, no randomness, and only arithmetic that IEEE floats
round exactly the same everywhere (rotations use fixed ratios, no libm
trigonometry or powers), so the committed files can always be reproduced.
"""
import math
import os
import struct
import sys

# ---- Colours (0xRRGGBB) ----

# The sixteen colours of the standard 4-bit palette, in index order.
VGA16 = [
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]
BLACK, NAVY, GREY, FACE, WHITE = 0x000000, 0x000080, 0x808080, 0xC0C0C0, 0xFFFFFF
BLUE, DARK_YELLOW, YELLOW = 0x0000FF, 0x808000, 0xFFFF00

# Speaker cabinets: a black front baffle, walnut sides and top, metal
# driver frames. Values are chosen for contrast against the dialog face.
OUTLINE = 0x101010
BAFFLE = 0x262626
BAFFLE_EDGE = 0x4A4A4A
SIDE = 0x6A3E1E
SIDE_DARK = 0x4E2C14
TOP = 0x9A643A
TOP_LIGHT = 0xB07A4C
FRAME = 0xB8B8B8
FRAME_SHADOW = 0x787878
SURROUND = 0x4C4C4C
CONE = 0x5E5E5E
CONE_LIGHT = 0x7C7C7C
DUST_CAP = 0x9C9C9C
DOME = 0xE0E0E0


# ---- Canvas ----

class Canvas:
    """A grid of 0xRRGGBB colours, row 0 at the top."""

    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def paint(self, colour_at):
        """Calls colour_at(x, y) with every pixel's centre; a colour it
        returns replaces the pixel, None leaves it."""
        for y in range(self.height):
            row = self.px[y]
            for x in range(self.width):
                c = colour_at(x + 0.5, y + 0.5)
                if c is not None:
                    row[x] = c

    def fill_rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.px[y][x] = colour

    def mirrored(self):
        out = Canvas(self.width, self.height, 0)
        out.px = [list(reversed(row)) for row in self.px]
        return out

    def outline(self, is_shape, colour):
        """Colours the pixels outside a shape that touch it side by side.
        is_shape(c) tells, for a pixel colour, whether it is the shape's."""
        inside = [[is_shape(c) for c in row] for row in self.px]
        for y in range(self.height):
            for x in range(self.width):
                if inside[y][x]:
                    continue
                for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < self.width and 0 <= ny < self.height and inside[ny][nx]:
                        self.px[y][x] = colour
                        break


# ---- Geometry helpers ----

def square(a):
    return a * a


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    """Whether (x, y) lies in the rectangle [x0, x1] x [y0, y1] with corners
    rounded to radius r."""
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return square(x - cx) + square(y - cy) <= r * r


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return math.sqrt(qx * qx + qy * qy)


class Face:
    """A parallelogram on screen: origin + a * e1 + b * e2 for a in [0, la],
    b in [0, lb]. local() maps a screen point back to (a, b)."""

    def __init__(self, origin, e1, e2, la, lb):
        self.origin, self.e1, self.e2, self.la, self.lb = origin, e1, e2, la, lb
        self.det = e1[0] * e2[1] - e1[1] * e2[0]

    def visible(self):
        return abs(self.det) * self.la * self.lb > 1e-6

    def local(self, x, y):
        dx, dy = x - self.origin[0], y - self.origin[1]
        a = (dx * self.e2[1] - dy * self.e2[0]) / self.det
        b = (self.e1[0] * dy - self.e1[1] * dx) / self.det
        return a, b

    def contains(self, a, b):
        return 0 <= a <= self.la and 0 <= b <= self.lb


# ---- Speakers ----

def driver_colour(u, v, cx, cy, radius, kind):
    """Colour of a loudspeaker driver at front-face point (u, v), or None
    outside it. Woofers have a metal frame, a rubber surround, a cone lit
    from the upper left and a dust cap; tweeters a frame and a pale dome."""
    du, dv = (u - cx) / radius, (v - cy) / radius
    d2 = du * du + dv * dv
    if d2 > 1.0:
        return None
    if kind == 'tweeter':
        if d2 > 0.55 * 0.55:
            return FRAME if du + dv < 0.3 else FRAME_SHADOW
        if d2 < 0.22 * 0.22 and du + dv < 0:
            return WHITE
        return DOME
    if d2 > 0.86 * 0.86:
        return FRAME if du + dv < 0.4 else FRAME_SHADOW
    if d2 > 0.72 * 0.72:
        return SURROUND
    if d2 > 0.30 * 0.30:
        return CONE_LIGHT if du + dv < -0.35 else CONE
    return DUST_CAP


def draw_box(width, height, box, turn, tilt, front_colour, margin=1):
    """Draws a loudspeaker cabinet seen from slightly above, in orthographic
    projection, and scaled to fill the picture.

    box = (W, H, D): width, height and depth of the cabinet. turn = (c, s):
    cosine and sine of its turn about the vertical axis; with s > 0 the
    front faces to the right and the left side shows. tilt = (c, s) of the
    viewing angle above the horizon. front_colour(u, v) paints the front
    face (u across, v down, in box units) and returns None for plain baffle.
    """
    W, H, D = box
    tc, ts = turn
    ec, es = tilt

    def project(x, y, z):  # z runs from the front face backwards
        return (x * tc - z * ts, y * ec - (x * ts + z * tc) * es)

    corners = [project(x, y, z) for x in (0, W) for y in (0, H) for z in (0, D)]
    min_x, max_x = min(p[0] for p in corners), max(p[0] for p in corners)
    min_y, max_y = min(p[1] for p in corners), max(p[1] for p in corners)
    scale = min((width - 2 * margin) / (max_x - min_x), (height - 2 * margin) / (max_y - min_y))
    off_x = (width - (max_x - min_x) * scale) / 2 - min_x * scale
    off_y = (height - (max_y - min_y) * scale) / 2 - min_y * scale

    def screen(x, y, z):
        px, py = project(x, y, z)
        return (px * scale + off_x, py * scale + off_y)

    def direction(x, y, z):
        a, b = screen(x, y, z), screen(0, 0, 0)
        return (a[0] - b[0], a[1] - b[1])

    origin = screen(0, 0, 0)
    front = Face(origin, direction(1, 0, 0), direction(0, 1, 0), W, H)
    side = Face(origin, direction(0, 0, 1), direction(0, 1, 0), D, H)
    top = Face(origin, direction(1, 0, 0), direction(0, 0, 1), W, D)

    # Which face each pixel shows, then its colour; the seams are found
    # from the neighbours, so they come out as clean one-pixel lines.
    faces = [[None] * width for _ in range(height)]
    canvas = Canvas(width, height, FACE)
    for y in range(height):
        for x in range(width):
            px, py = x + 0.5, y + 0.5
            if front.visible():
                u, v = front.local(px, py)
                if front.contains(u, v):
                    faces[y][x] = 'front'
                    c = front_colour(u, v)
                    canvas.px[y][x] = BAFFLE if c is None else c
                    continue
            if side.visible() and side.contains(*side.local(px, py)):
                faces[y][x] = 'side'
                canvas.px[y][x] = SIDE
            elif top.visible() and top.contains(*top.local(px, py)):
                faces[y][x] = 'top'
                canvas.px[y][x] = TOP

    def face(x, y):
        return faces[y][x] if 0 <= x < width and 0 <= y < height else None

    for y in range(height):
        for x in range(width):
            here = faces[y][x]
            if here is None:
                continue
            if any(face(x + dx, y + dy) is None for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1))):
                canvas.px[y][x] = OUTLINE  # a crisp silhouette
            elif here == 'top' and face(x, y + 1) != 'top':
                canvas.px[y][x] = TOP_LIGHT  # the lit front edge of the top
            elif here == 'front' and face(x, y - 1) == 'top' and canvas.px[y][x] == BAFFLE:
                canvas.px[y][x] = BAFFLE_EDGE
            elif here == 'side' and face(x, y - 1) == 'top':
                canvas.px[y][x] = SIDE_DARK
    return canvas


def satellite_front(W, H):
    """Front of a two-way corner speaker: tweeter above a woofer."""
    tweeter = (W / 2, H * 0.2, W * 0.2)
    woofer = (W / 2, H * 0.64, W * 0.4)

    def colour(u, v):
        c = driver_colour(u, v, *tweeter, 'tweeter')
        if c is None:
            c = driver_colour(u, v, *woofer, 'woofer')
        return c
    return colour


def corner_speaker(turn):
    W, H, D = 32.0, 44.0, 20.0
    return draw_box(54, 54, (W, H, D), turn, (0.96, 0.28), satellite_front(W, H))


def centre_speaker():
    W, H, D = 66.0, 24.0, 16.0
    woofers = [(W * 0.25, H * 0.52, H * 0.42), (W * 0.75, H * 0.52, H * 0.42)]

    def colour(u, v):
        for cx, cy, r in woofers:
            c = driver_colour(u, v, cx, cy, r, 'woofer')
            if c is not None:
                return c
        return None
    return draw_box(72, 32, (W, H, D), (1.0, 0.0), (0.96, 0.28), colour, margin=0)


def subwoofer():
    W = H = D = 36.0

    def colour(u, v):
        return driver_colour(u, v, W / 2, H / 2, W * 0.44, 'woofer')
    # Turned a little toward the left, so the right side shows.
    return draw_box(51, 48, (W, H, D), (0.96, 0.28), (0.96, 0.28), colour).mirrored()


# ---- Note ----

def eighth_note():
    """A yellow eighth note with a black outline, on the dialog face."""
    canvas = Canvas(29, 30, FACE)
    # Head: an ellipse tilted up to the right (cos, sin = 12/13, 5/13).
    hx, hy, rx, ry, c, s = 9.0, 22.5, 6.2, 4.5, 12 / 13, 5 / 13
    stem_x0, stem_x1, stem_top = 12.8, 15.2, 3.0
    # Flag: a tapering stroke along a quadratic curve from the stem's top.
    p0, p1, p2 = (14.2, 4.0), (25.0, 8.5), (22.0, 20.0)
    flag = []
    for i in range(41):
        t = i / 40
        a, b, d = (1 - t) * (1 - t), 2 * t * (1 - t), t * t
        flag.append((a * p0[0] + b * p1[0] + d * p2[0], a * p0[1] + b * p1[1] + d * p2[1],
                     2.4 - 1.3 * t))

    def colour(x, y):
        dx, dy = x - hx, y - hy
        u, v = dx * c + dy * s, -dx * s + dy * c
        d = square(u / rx) + square(v / ry)
        if d <= 1.0:
            # Shaded toward the lower right, with a glint.
            if square((u + 2.2) / 1.6) + square(v + 1.6) <= 1.0:
                return WHITE
            return DARK_YELLOW if d > 0.55 and u + 2 * v > 3.0 else YELLOW
        if stem_x0 <= x <= stem_x1 and stem_top <= y <= hy:
            return YELLOW
        for fx, fy, r in flag:
            if square(x - fx) + square(y - fy) <= r * r:
                return YELLOW
        return None

    canvas.paint(colour)
    canvas.outline(lambda p: p in (YELLOW, DARK_YELLOW, WHITE), BLACK)
    return canvas


# ---- Icon ----

def q_icon():
    """A white Q on a rounded blue tile; returns the colours and the
    transparent corners."""
    canvas = Canvas(32, 32, BLACK)
    transparent = [[False] * 32 for _ in range(32)]
    cx, cy = 15.5, 14.5

    def in_q(x, y):
        dx, dy = (x - cx) / 10.5, (y - cy) / 11.5
        ix, iy = (x - cx) / 5.4, (y - cy) / 6.6
        if dx * dx + dy * dy <= 1.0 and ix * ix + iy * iy > 1.0:
            return True
        return distance_to_segment(x, y, 16.5, 17.5, 25.0, 27.0) <= 2.6

    for y in range(32):
        for x in range(32):
            px, py = x + 0.5, y + 0.5
            if not inside_round_rect(px, py, 0, 0, 32, 32, 6):
                transparent[y][x] = True
                continue
            if in_q(px, py):
                colour = WHITE
            elif in_q(px - 1, py - 1):
                colour = BLACK  # the letter's shadow
            elif not inside_round_rect(px, py, 1, 1, 31, 31, 5):
                colour = BLACK
            elif not inside_round_rect(px, py, 2, 2, 30, 30, 4):
                colour = BLUE if px + py < 32 else NAVY
            else:
                colour = NAVY
            canvas.px[y][x] = colour
    return canvas, transparent


# ---- Cursor ----

def hand_cursor():
    """A white hand with a black outline, index finger pointing up-left with
    its tip on pixel (0, 0). Returns rows of 0 (black), 1 (white) or None
    (transparent)."""
    k = math.sqrt(0.5)

    # The hand is drawn in a frame turned 45 degrees: v runs from the finger
    # tip toward the wrist, u across the hand, positive toward the folded
    # fingers (the upper right on screen), negative toward the thumb.
    def local(x, y):
        return (x - y) * k, (x + y) * k

    finger = (-2.6, -1.2, 2.6, 19.0, 2.6)
    # The three folded fingers show as columns beside the index finger, their
    # knuckles stepping down toward the little finger.
    folded = [(2.0, 10.6, 5.8, 20.0, 1.9), (5.4, 12.2, 9.2, 20.0, 1.9),
              (8.8, 14.2, 12.0, 20.0, 1.6)]
    thumb = (-7.8, 13.6, -0.8, 20.6, 3.0)
    palm = (-4.8, 14.0, 12.0, 27.5, 4.0)
    wrist = (-3.0, 24.0, 10.0, 31.0, 2.0)
    # Creases lie on pixel diagonals (u a whole multiple of k), so that each
    # is drawn one pixel thin.
    creases = [(3 * k, 11.5, 3 * k, 18.0), (8 * k, 13.5, 8 * k, 17.0),
               (13 * k, 15.5, 13 * k, 17.0), (-4 * k, 15.5, -4 * k, 20.0)]

    def inside(u, v):
        return any(inside_round_rect(u, v, *shape) for shape in [finger, palm, wrist, thumb] + folded)

    pixels = [[None] * 32 for _ in range(32)]
    for y in range(32):
        for x in range(32):
            u, v = local(x + 0.5, y + 0.5)
            if inside(u, v):
                pixels[y][x] = 1
    for y in range(32):
        for x in range(32):
            if pixels[y][x] is None:
                continue
            u, v = local(x + 0.5, y + 0.5)
            boundary = any(not (0 <= x + dx < 32 and 0 <= y + dy < 32) or
                           pixels[y + dy][x + dx] is None
                           for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)))
            crease = any(distance_to_segment(u, v, *seg) < 0.4 for seg in creases)
            if boundary or crease:
                pixels[y][x] = 0  # still "inside" for the neighbours' test
    return pixels


# ---- Rules ----

def rule(width, height):
    """An etched line: grey above white, or grey left of white."""
    canvas = Canvas(width, height, WHITE)
    if width > height:
        canvas.fill_rect(0, 0, width, 1, GREY)
    else:
        canvas.fill_rect(0, 0, 1, height, GREY)
    return canvas


# ---- File formats ----

def pack_rows(width, bits, rows):
    """Palette indexes packed bottom-up, each row padded to four bytes."""
    out = bytearray()
    per_byte = 8 // bits
    for row in reversed(rows):
        data = bytearray((width * bits + 7) // 8)
        for x, v in enumerate(row):
            data[x // per_byte] |= v << (8 - bits - (x % per_byte) * bits)
        data += b'\0' * (-len(data) % 4)
        out += data
    return bytes(out)


def palette_bytes(colours):
    return b''.join(struct.pack('<BBBB', c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0) for c in colours)


def info_header(width, height, bits, image_size, colours_used):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, 0, 0,
                       colours_used, 0)


def bmp_file(canvas, bits):
    """A BMP file: 4-bit pictures use the standard 16 colours, 8-bit ones a
    table of the colours they use (sorted), filled up to 256 with black."""
    if bits == 4:
        table = list(VGA16)
    else:
        table = sorted({c for row in canvas.px for c in row})
        if len(table) > 256:
            raise ValueError('more than 256 colours')
        table += [0] * (256 - len(table))
    index = {}
    for i, c in enumerate(table):
        index.setdefault(c, i)
    try:
        rows = [[index[c] for c in row] for row in canvas.px]
    except KeyError as e:
        raise ValueError('colour %06X is not in the palette' % e.args[0]) from None
    bits_data = pack_rows(canvas.width, bits, rows)
    dib = (info_header(canvas.width, canvas.height, bits, len(bits_data), len(table)) +
           palette_bytes(table) + bits_data)
    offset = 14 + 40 + 4 * len(table)
    return struct.pack('<2sIHHI', b'BM', 14 + len(dib), 0, 0, offset) + dib


def icon_image(width, bits, table, rows, transparent):
    """The DIB of one icon or cursor image: doubled height, colour bits,
    then the AND mask (1 where the screen shows through). Only the fields
    that icons use are set."""
    xor = pack_rows(width, bits, rows)
    mask = pack_rows(width, 1, [[1 if t else 0 for t in row] for row in transparent])
    return (info_header(width, 2 * len(rows), bits, len(xor) + len(mask), 0) +
            palette_bytes(table) + xor + mask)


def icon_file(kind, width, height, colour_count, field1, field2, image):
    """An .ico (kind 1; field1, field2 = planes, bit count) or .cur (kind 2;
    field1, field2 = hot spot x, y) file holding one image."""
    return (struct.pack('<HHH', 0, kind, 1) +
            struct.pack('<BBBBHHII', width, height, colour_count, 0, field1, field2,
                        len(image), 6 + 16) + image)


def ico_bytes():
    canvas, transparent = q_icon()
    index = {c: i for i, c in enumerate(VGA16)}
    rows = [[0 if transparent[y][x] else index[canvas.px[y][x]] for x in range(32)]
            for y in range(32)]
    return icon_file(1, 32, 32, 16, 1, 4, icon_image(32, 4, VGA16, rows, transparent))


def cur_bytes():
    pixels = hand_cursor()
    rows = [[0 if p is None else p for p in row] for row in pixels]
    transparent = [[p is None for p in row] for row in pixels]
    return icon_file(2, 32, 32, 2, 0, 0, icon_image(32, 1, [BLACK, WHITE], rows, transparent))


def build():
    """Every picture: file name -> (bytes, expected properties)."""
    front = corner_speaker((0.8, 0.6))
    rear = corner_speaker((0.6, 0.8))
    icon = ico_bytes()
    files = {
        'icon100.ico': (icon, ('ico', 32, 32, 4)),
        'icon128.ico': (icon, ('ico', 32, 32, 4)),
        'cursor138.cur': (cur_bytes(), ('cur', 32, 32, 1)),
        'bmp131.bmp': (bmp_file(front, 8), ('bmp', 54, 54, 8)),
        'bmp132.bmp': (bmp_file(front.mirrored(), 8), ('bmp', 54, 54, 8)),
        'bmp133.bmp': (bmp_file(rear, 8), ('bmp', 54, 54, 8)),
        'bmp134.bmp': (bmp_file(rear.mirrored(), 8), ('bmp', 54, 54, 8)),
        'bmp135.bmp': (bmp_file(centre_speaker(), 8), ('bmp', 72, 32, 8)),
        'bmp136.bmp': (bmp_file(subwoofer(), 8), ('bmp', 51, 48, 8)),
        'bmp137.bmp': (bmp_file(eighth_note(), 8), ('bmp', 29, 30, 8)),
    }
    for number, width, height in ((143, 411, 2), (144, 2, 285), (145, 2, 286),
                                  (146, 60, 2), (147, 500, 2)):
        files['bmp%d.bmp' % number] = (bmp_file(rule(width, height), 4),
                                       ('bmp', width, height, 4))
    return files


# ---- Self-check ----

def check_file(data, expected):
    """Re-reads a written file's headers; returns a list of problems."""
    kind, width, height, bits = expected
    problems = []

    def dib_problems(dib, height_factor):
        if len(dib) < 40:
            return ['DIB header cut short']
        (size, w, h, planes, bc, compression, image_size, _, _, used, _) = \
            struct.unpack_from('<IiiHHIIiiII', dib)
        out = []
        if (size, w, h, planes, bc, compression) != (40, width, height * height_factor, 1, bits, 0):
            out.append('DIB header %r' % ((size, w, h, planes, bc, compression),))
        entries = used or (1 << bc)
        if used not in (0, 1 << bc):
            out.append('colours used %d' % used)
        stride = (w * bc + 31) // 32 * 4
        bits_size = stride * height
        if height_factor == 2:
            bits_size += (w + 31) // 32 * 4 * height
        if image_size != bits_size:
            out.append('image size %d, expected %d' % (image_size, bits_size))
        if len(dib) != 40 + 4 * entries + bits_size:
            out.append('DIB is %d bytes, expected %d' % (len(dib), 40 + 4 * entries + bits_size))
        return out

    if kind == 'bmp':
        magic, file_size, _, _, offset = struct.unpack_from('<2sIHHI', data)
        if magic != b'BM' or file_size != len(data):
            problems.append('file header')
        if offset != 14 + 40 + 4 * (1 << bits):
            problems.append('bits offset %d' % offset)
        if struct.unpack_from('<I', data, 14 + 32)[0] != 1 << bits:
            problems.append('colours used is not %d' % (1 << bits))
        problems += dib_problems(data[14:], 1)
    else:
        reserved, type_, count = struct.unpack_from('<HHH', data)
        if (reserved, type_, count) != (0, 1 if kind == 'ico' else 2, 1):
            problems.append('directory header')
        w, h, colours, _, f1, f2, size, offset = struct.unpack_from('<BBBBHHII', data, 6)
        if (w, h, colours) != (width, height, 1 << bits):
            problems.append('directory entry %r' % ((w, h, colours),))
        if kind == 'cur' and (f1, f2) != (0, 0):
            problems.append('hot spot (%d, %d)' % (f1, f2))
        if kind == 'cur' and len(data) == offset + size:
            # The hot spot must lie on the hand: pixel (0, 0) is opaque. The
            # mask's rows run bottom-up after the colour bits.
            mask_stride = (width + 31) // 32 * 4
            top_row = len(data) - mask_stride
            if data[top_row] & 0x80:
                problems.append('the hot spot pixel is transparent')
        if kind == 'ico' and (f1, f2) != (1, bits):
            problems.append('planes and bit count (%d, %d)' % (f1, f2))
        if offset != 22 or offset + size != len(data):
            problems.append('image offset or size')
        problems += dib_problems(data[22:], 2)
    return problems


def main(argv):
    check = '--check' in argv
    args = [a for a in argv if a != '--check']
    if len(args) != 1:
        sys.stderr.write('usage: make_pictures.py [--check] OUTPUT_DIR\n')
        return 2
    out_dir = args[0]
    pictures = build()
    failures = 0
    for name, (data, expected) in pictures.items():
        path = os.path.join(out_dir, name)
        if not check:
            with open(path, 'wb') as f:
                f.write(data)
        try:
            with open(path, 'rb') as f:
                written = f.read()
        except OSError as e:
            print('%s: %s' % (name, e.strerror))
            failures += 1
            continue
        problems = check_file(written, expected)
        if written != data:
            problems.append('differs from what this script draws')
        for p in problems:
            print('%s: %s' % (name, p))
        failures += bool(problems)
    if failures:
        print('%d file(s) failed the check' % failures)
        return 1
    print('%s %d pictures in %s' % ('checked' if check else 'wrote', len(pictures), out_dir))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
