#!/usr/bin/env python3
"""Turns the pixel text files of this folder into the toolbar bitmap and the icon.

Usage: pixels_to_image.py bmp toolbar.txt out.bmp
       pixels_to_image.py ico icon.txt out.ico

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


if __name__ == '__main__':
    kind, src, dst = sys.argv[1:4]
    (write_bmp if kind == 'bmp' else write_ico)(read_pixels(src), dst)
