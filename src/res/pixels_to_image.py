#!/usr/bin/env python3
"""Turns the pixel text files of this folder into the toolbar bitmap and the icon.

Usage: pixels_to_image.py bmp toolbar.txt out.bmp
       pixels_to_image.py bmp toolbar.txt out.bmp 150|200 CELLWIDTH
       pixels_to_image.py ico icon.txt out.ico

With a scale, each image of CELLWIDTH pixels is enlarged on its own for 150%
or 200% screens, keeping its hard edges: 200% with Scale2x (each pixel
becomes four, corners filled along diagonals), 150% with Scale3x sampled at
every other pixel. The result is padded with background rows to a square
cell (24 x 24 or 32 x 32), the size of the toolbar's larger buttons.

Pixel text: lines of characters, one per pixel; lines starting with '#' are
comments, blanks between images are ignored. Both outputs are 4-bit images
with the standard 16-colour palette.
"""
import struct
import sys

# Standard 16-colour palette (blue, green, red, reserved), as Windows orders it.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # (r, g, b)
INDEX = {'#': 0, 'k': 0, '.': 7, 'b': 4, 'w': 15, 'y': 11, 'g': 8}


def read_pixels(path):
    rows = []
    with open(path) as f:
        for line in f:
            line = line.rstrip('\n')
            if not line or line.startswith('#') and ' ' in line[:2]:
                continue
            rows.append(line.replace(' ', ''))
    width = len(rows[0])
    if any(len(r) != width for r in rows):
        sys.exit(f"{path}: rows differ in length")
    return rows


def dib(rows, transparent_dot):
    """BITMAPINFOHEADER, palette and 4-bit pixel rows, bottom-up."""
    h, w = len(rows), len(rows[0])
    stride = ((w * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, ch in enumerate(row):
            idx = 0 if (transparent_dot and ch == '.') else INDEX[ch]
            line[x // 2] |= idx << (4 if x % 2 == 0 else 0)
        pixels += line
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return w, h, palette, bytes(pixels)


def write_bmp(rows, out):
    w, h, palette, pixels = dib(rows, False)
    header = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    offset = 14 + len(header) + len(palette)
    with open(out, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset))
        f.write(header + palette + pixels)


def write_ico(rows, out):
    w, h, palette, pixels = dib(rows, True)
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, ch in enumerate(row):
            if ch == '.':
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0, len(pixels) + len(mask), 0, 0, 16, 0)
    image = header + palette + pixels + bytes(mask)
    with open(out, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', w, h, 16, 0, 1, 4, len(image), 22))
        f.write(image)


def pixel(rows, x, y):
    """The pixel at x, y; outside the image, the nearest edge pixel."""
    y = min(max(y, 0), len(rows) - 1)
    x = min(max(x, 0), len(rows[0]) - 1)
    return rows[y][x]


def scale2x(rows):
    out = []
    for y in range(len(rows)):
        top, bottom = [], []
        for x in range(len(rows[0])):
            p = rows[y][x]
            a, b = pixel(rows, x, y - 1), pixel(rows, x + 1, y)
            c, d = pixel(rows, x - 1, y), pixel(rows, x, y + 1)
            top += [a if c == a and c != d and a != b else p, b if a == b and a != c and b != d else p]
            bottom += [c if d == c and d != b and c != a else p, d if b == d and b != a and d != c else p]
        out += [''.join(top), ''.join(bottom)]
    return out


def scale3x(rows):
    out = []
    for y in range(len(rows)):
        lines = [[], [], []]
        for x in range(len(rows[0])):
            a, b, c = (pixel(rows, x + dx, y - 1) for dx in (-1, 0, 1))
            d, e, f = (pixel(rows, x + dx, y) for dx in (-1, 0, 1))
            g, h, i = (pixel(rows, x + dx, y + 1) for dx in (-1, 0, 1))
            db, bf, dh, hf = d == b and b != f and d != h, b == f and b != d and f != h, \
                d == h and d != b and h != f, h == f and d != h and b != f
            lines[0] += [d if db else e, b if (db and e != c) or (bf and e != a) else e, f if bf else e]
            lines[1] += [d if (db and e != g) or (dh and e != a) else e, e,
                         f if (bf and e != i) or (hf and e != c) else e]
            lines[2] += [d if dh else e, h if (dh and e != i) or (hf and e != g) else e, f if hf else e]
        out += [''.join(line) for line in lines]
    return out


def enlarge(rows, percent, cell_width):
    """Each cell enlarged on its own, then padded with '.' rows to a square."""
    cells = [[r[x:x + cell_width] for r in rows] for x in range(0, len(rows[0]), cell_width)]
    if percent == 200:
        big = [scale2x(c) for c in cells]
    elif percent == 150:
        big = [[r[::2] for r in scale3x(c)[::2]] for c in cells]
    else:
        sys.exit(f"no {percent}% scale")
    side = len(big[0][0])
    joined = [''.join(c[y] for c in big) for y in range(len(big[0]))]
    blank = '.' * len(joined[0])
    pad = side - len(joined)
    return [blank] * (pad // 2) + joined + [blank] * (pad - pad // 2)


if __name__ == '__main__':
    kind, src, dst = sys.argv[1:4]
    rows = read_pixels(src)
    if len(sys.argv) > 5:
        rows = enlarge(rows, int(sys.argv[4]), int(sys.argv[5]))
    (write_bmp if kind == 'bmp' else write_ico)(rows, dst)
