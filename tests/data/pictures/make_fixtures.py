#!/usr/bin/env python3
"""Writes the small picture fixtures of the picture tests (no outside files)."""
import struct, zlib

def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)

def png(w, h, depth, ctype, rows, extra=b''):
    raw = b''.join(b'\x00' + r for r in rows)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, ctype, 0, 0, 0))
            + extra + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)

# RGB with a tRNS colour (pure red is transparent).
red, blue = bytes([255, 0, 0]), bytes([0, 0, 255])
write('rgb_trns.png', png(4, 2, 8, 2, [red + blue + red + blue, blue * 4], chunk(b'tRNS', struct.pack('>HHH', 255, 0, 0))))
# RGBA with one translucent pixel (200, 100, 50, 128) and one clear pixel.
write('rgba.png', png(2, 1, 8, 6, [bytes([200, 100, 50, 128, 10, 20, 30, 0])]))
# Palette, 4 bits, entry 1 fully transparent.
pal = bytes([0, 0, 0, 255, 255, 255, 0, 255, 0])
write('palette4_trns.png', png(4, 1, 4, 3, [bytes([0x01, 0x21])], chunk(b'PLTE', pal) + chunk(b'tRNS', bytes([255, 0, 255]))))
# Greyscale 8 bits with a tRNS grey of 0.
write('gray_trns.png', png(3, 1, 8, 0, [bytes([0, 128, 255])], chunk(b'tRNS', struct.pack('>H', 0))))
# 16-bit RGB.
write('rgb16.png', png(1, 1, 16, 2, [struct.pack('>HHH', 0xffff, 0x8000, 0x0000)]))

# Icon with one 2x2 32-bit entry: red opaque, green translucent, clear, blue.
def dib32(w, h, pixels):
    hdr = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(h)):
        rows.append(b''.join(bytes([b, g, r, a]) for (r, g, b, a) in pixels[y * w:(y + 1) * w]))
    mask = b'\x00\x00\x00\x00' * h
    return hdr + b''.join(rows) + mask

entry = dib32(2, 2, [(255, 0, 0, 255), (0, 255, 0, 128), (0, 0, 0, 0), (0, 0, 255, 255)])
write('two.ico', struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', 2, 2, 0, 0, 1, 32, len(entry), 22) + entry)
# The same header as a cursor (type 2).
write('cursor.cur', struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', 2, 2, 0, 0, 1, 32, len(entry), 22) + entry)

# 8-bit BMP with a 2-entry palette, 3x2, bottom-up.
pal = bytes([0, 0, 255, 0, 255, 0, 0, 0])  # red, blue (B, G, R, 0)
rows = bytes([1, 0, 1, 0]) + bytes([0, 0, 1, 0])  # bottom row first, padded to 4
hdr = struct.pack('<IiiHHIIiiII', 40, 3, 2, 1, 8, 0, len(rows), 2835, 2835, 2, 0)
off = 14 + 40 + len(pal)
write('pal8.bmp', b'BM' + struct.pack('<IHHI', off + len(rows), 0, 0, off) + hdr + pal + rows)

# More bitmap layouts: RLE8, top-down 24-bit, 16-bit 5-6-5 bit fields, 4-bit.
def bmp(w, h, bpp, pixels, compression=0, palette=b'', masks=b'', clr_used=0):
    hdr = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, compression, len(pixels), 2835, 2835, clr_used, 0)
    off = 14 + 40 + len(masks) + len(palette)
    return b'BM' + struct.pack('<IHHI', off + len(pixels), 0, 0, off) + hdr + masks + palette + pixels

pal4 = bytes([0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0])  # black, red, green, blue
# 5x2 RLE8: bottom row "run of 5 x index 1", top row "absolute 3 pixels 2,3,1 then run of 2 x 0".
rle = bytes([5, 1, 0, 0, 0, 3, 2, 3, 1, 0, 2, 0, 0, 1])
write('rle8.bmp', bmp(5, 2, 8, rle, 1, pal4, clr_used=4))
rows = b''
for y in range(3):  # top-down: first row in the file is the top row
    row = b''.join(bytes([x * 60, y * 100, 255 - x * 60]) for x in range(3))
    rows += row + b'\0' * ((4 - len(row) % 4) % 4)
write('topdown24.bmp', bmp(3, -3, 24, rows))
px = b''.join(struct.pack('<H', v) for v in (0xF800, 0x07E0, 0x001F, 0xFFFF))
write('rgb565.bmp', bmp(2, 2, 16, px, 3, masks=struct.pack('<III', 0xF800, 0x07E0, 0x001F)))
write('pal4.bmp', bmp(3, 1, 4, bytes([0x12, 0x30, 0, 0]), 0, pal4, clr_used=4))
