#!/usr/bin/env python3
"""Writes the tiny pictures of the resource test module: test.ico, test.cur
and test.bmp. The tests check pixels of these patterns, so a change here
needs the same change in tests/unit/resources_module_test.cpp.

    python3 make_images.py [OUTPUT_DIR]
"""
import os
import struct
import sys

# The colours the patterns use, as (blue, green, red) for the colour tables.
RED, GREEN, BLUE, WHITE, BLACK = (0, 0, 255), (0, 255, 0), (255, 0, 0), (255, 255, 255), (0, 0, 0)


def info_header(width, height, bits, colors):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, 0, 0, 0, colors, 0)


def rows(width, bits, pixels):
    """Packs rows of values (indexes, or (b, g, r[, a]) tuples) bottom-up,
    each padded to four bytes."""
    out = b''
    for row in reversed(pixels):
        if bits in (1, 4, 8):
            per_byte = 8 // bits
            data = bytearray((width * bits + 7) // 8)
            for x, v in enumerate(row):
                data[x // per_byte] |= v << (8 - bits - (x % per_byte) * bits)
        else:
            data = b''.join(bytes(p) for p in row)
        data = bytes(data)
        out += data + b'\0' * (-len(data) % 4)
    return out


def palette(colors):
    return b''.join(bytes(c) + b'\0' for c in colors)


def icon_image(size, bits, colors, pixels, transparent):
    """A DIB of doubled height: colour bits, then the AND mask (1 where the
    screen shows through)."""
    mask = [[1 if transparent(x, y) else 0 for x in range(size)] for y in range(size)]
    return (info_header(size, 2 * size, bits, len(colors)) + palette(colors) +
            rows(size, bits, pixels) + rows(size, 1, mask))


def icon_file(kind, images):
    """An .ico (kind 1) or .cur (kind 2) file. For a cursor the planes and
    bit count fields hold the hot spot."""
    header = struct.pack('<HHH', 0, kind, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = b'', b''
    for size, colors, field1, field2, image in images:
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, colors, 0, field1, field2,
                               len(image), offset + len(data))
        data += image
    return header + entries + data


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))

    # Icon: 16x16 at 4 bits (index (x + y) % 4 of red, green, blue, white)
    # and 32x32 at 32 bits with an alpha channel (blue, alpha 0x80, left half
    # transparent). In both the first column is transparent by the mask.
    colors = [RED, GREEN, BLUE, WHITE]
    small = icon_image(16, 4, colors, [[(x + y) % 4 for x in range(16)] for y in range(16)],
                       lambda x, y: x == 0)
    big_pixels = [[(255, 0, 0, 0 if x < 16 else 0x80) for x in range(32)] for _ in range(32)]
    big = icon_image(32, 32, [], big_pixels, lambda x, y: x == 0)
    with open(os.path.join(out, 'test.ico'), 'wb') as f:
        f.write(icon_file(1, [(16, 16, 1, 4, small), (32, 0, 1, 32, big)]))

    # Cursor: 32x32 at 1 bit, black with a white diagonal, hot spot (3, 5),
    # transparent outside the top-left 8x8 square.
    pixels = [[1 if x == y else 0 for x in range(32)] for y in range(32)]
    cursor = icon_image(32, 1, [BLACK, WHITE], pixels, lambda x, y: x >= 8 or y >= 8)
    with open(os.path.join(out, 'test.cur'), 'wb') as f:
        f.write(icon_file(2, [(32, 2, 3, 5, cursor)]))

    # Bitmap: 5x3 at 8 bits, bottom-up, index (x + 2 * y) % 4 of red, green,
    # blue, white. The width makes each row carry padding.
    bits = rows(5, 8, [[(x + 2 * y) % 4 for x in range(5)] for y in range(3)])
    dib = info_header(5, 3, 8, len(colors)) + palette(colors) + bits
    file_header = struct.pack('<2sIHHI', b'BM', 14 + len(dib), 0, 0, 14 + 40 + 4 * len(colors))
    with open(os.path.join(out, 'test.bmp'), 'wb') as f:
        f.write(file_header + dib)


if __name__ == '__main__':
    main()
