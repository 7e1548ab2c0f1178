#!/usr/bin/env python3
"""Writes testapp.ico, the test program's icon: one 32 x 32, 16-colour image
of a white letter T on a blue disc; the corners outside the disc show the
screen through.

    python3 make_icon.py [OUTPUT_DIR]
"""
import os
import struct
import sys

SIZE = 32
# The 16-colour palette's first entries as (blue, green, red): black, blue, white.
COLORS = [(0, 0, 0), (160, 0, 0), (255, 255, 255)] + [(0, 0, 0)] * 13
BLACK, BLUE, WHITE = 0, 1, 2


def inside_disc(x, y):
    cx = cy = (SIZE - 1) / 2
    return (x - cx) ** 2 + (y - cy) ** 2 <= (SIZE / 2) ** 2


def letter_t(x, y):
    return (7 <= y <= 10 and 7 <= x <= 24) or (7 <= y <= 25 and 14 <= x <= 17)


def pack_rows(bits, pixels):
    """Rows bottom-up, each padded to four bytes."""
    out = b''
    for row in reversed(pixels):
        data = bytearray((SIZE * bits + 7) // 8)
        per_byte = 8 // bits
        for x, v in enumerate(row):
            data[x // per_byte] |= v << (8 - bits - (x % per_byte) * bits)
        out += bytes(data) + b'\0' * (-len(data) % 4)
    return out


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    pixels = [[(WHITE if letter_t(x, y) else BLUE) if inside_disc(x, y) else BLACK
               for x in range(SIZE)] for y in range(SIZE)]
    mask = [[0 if inside_disc(x, y) else 1 for x in range(SIZE)] for y in range(SIZE)]
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, 2 * SIZE, 1, 4, 0, 0, 0, 0, 16, 0)
    image = (header + b''.join(bytes(c) + b'\0' for c in COLORS) +
             pack_rows(4, pixels) + pack_rows(1, mask))
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack(
        '<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    with open(os.path.join(out, 'testapp.ico'), 'wb') as f:
        f.write(directory + image)


if __name__ == '__main__':
    main()
