#!/usr/bin/env python3
"""Draws the toolbar, object, preview and wizard image strips and packs them.

Each strip is a 24-bit BMP of square tiles, row by row. Every tile shows a
coloured frame and its own index in small digits on the mask colour
(olive, RGB 128,128,0), so a wrong index is visible at a glance.

Packing: a gzip member (deflate, file name "1") whose MTIME field holds the
Adler-32 of the BMP in big-endian order, which is what the loader checks.
"""
import os
import struct
import sys
import zlib

MASK = (128, 128, 0)

DIGITS = {
    '0': ["111", "101", "101", "101", "111"],
    '1': ["010", "110", "010", "010", "111"],
    '2': ["111", "001", "111", "100", "111"],
    '3': ["111", "001", "111", "001", "111"],
    '4': ["101", "101", "111", "001", "001"],
    '5': ["111", "100", "111", "001", "111"],
    '6': ["111", "100", "111", "101", "111"],
    '7': ["111", "001", "010", "010", "010"],
    '8': ["111", "101", "111", "101", "111"],
    '9': ["111", "101", "111", "001", "111"],
}

PALETTE = [(0, 0, 160), (160, 0, 0), (0, 120, 0), (128, 0, 128), (0, 112, 160), (192, 96, 0), (64, 64, 64),
           (200, 0, 100)]


def draw_tile(pixels, ox, oy, size, index):
    color = PALETTE[index % len(PALETTE)]
    inset = max(1, size // 16)
    # Frame one pixel inside the tile; the outer ring stays mask-coloured so
    # that the bottom-left pixel is always the mask colour.
    for i in range(inset, size - inset):
        for j in (inset, size - inset - 1):
            pixels[oy + j][ox + i] = color
            pixels[oy + i][ox + j] = color
    # Light fill inside the frame.
    fill = tuple(min(255, c // 4 + 190) for c in color)
    for y in range(inset + 1, size - inset - 1):
        for x in range(inset + 1, size - inset - 1):
            pixels[oy + y][ox + x] = fill
    text = str(index)
    scale = max(1, size // 16)
    width = (len(text) * 4 - 1) * scale
    x0 = ox + (size - width) // 2
    y0 = oy + (size - 5 * scale) // 2
    for n, ch in enumerate(text):
        for r, row in enumerate(DIGITS[ch]):
            for c, bit in enumerate(row):
                if bit == '1':
                    for dy in range(scale):
                        for dx in range(scale):
                            pixels[y0 + r * scale + dy][x0 + (n * 4 + c) * scale + dx] = color


def bmp_bytes(pixels):
    height = len(pixels)
    width = len(pixels[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        body += line
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(body), 0, 0, 14 + 40)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(body), 3780, 3780, 0, 0)
    return header + info + bytes(body)


def pack(data):
    comp = zlib.compressobj(9, zlib.DEFLATED, -15)
    body = comp.compress(data) + comp.flush()
    head = b'\x1f\x8b\x08\x08' + struct.pack('>I', zlib.adler32(data) & 0xffffffff) + b'\x02\x00' + b'1\x00'
    tail = struct.pack('<II', zlib.crc32(data) & 0xffffffff, len(data) & 0xffffffff)
    return head + body + tail


def strip(columns, rows, size):
    pixels = [[MASK] * (columns * size) for _ in range(rows * size)]
    for i in range(columns * rows):
        draw_tile(pixels, (i % columns) * size, (i // columns) * size, size, i)
    return bmp_bytes(pixels)


STRIPS = [
    # name, columns, rows, tile size
    ("DesgnButtons", 16, 10, 16),
    ("ObjectButtons", 16, 5, 16),
    ("PreviewButtons", 16, 3, 16),
    ("WizardButtons", 8, 2, 32),
]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'core', 'res',
                                                              'images')
    os.makedirs(out, exist_ok=True)
    for name, columns, rows, size in STRIPS:
        with open(os.path.join(out, name + '.bin'), 'wb') as f:
            f.write(pack(strip(columns, rows, size)))


if __name__ == '__main__':
    main()
