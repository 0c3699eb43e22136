#!/usr/bin/env python3
"""Writes the GIF fixtures of the codec tests with a small LZW encoder of its own,
independent of the library's encoder (it never resets the table early and uses a dict)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def lzw(indices, min_size):
    clear, end = 1 << min_size, (1 << min_size) + 1
    out, buf, nbits = bytearray(), 0, 0

    def put(code, size):
        nonlocal buf, nbits
        buf |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(buf & 0xFF)
            buf >>= 8
            nbits -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_size + 1

    table, nxt, size = reset()
    put(clear, size)
    w = ()
    for c in indices:
        wc = w + (c,)
        if wc in table:
            w = wc
            continue
        put(table[w], size)
        if nxt < 4096:
            table[wc] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        else:
            put(clear, size)
            table, nxt, size = reset()
        w = (c,)
    if w:
        put(table[w], size)
    put(end, size)
    if nbits:
        out.append(buf & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        part = data[i:i + 255]
        out.append(len(part))
        out += part
    out.append(0)
    return bytes(out)


def table(colors, n):
    out = bytearray()
    for i in range(1 << (n + 1)):
        out += bytes(colors[i] if i < len(colors) else (0, 0, 0))
    return bytes(out)


def gce(disposal=0, transparent=None, delay=0):
    packed = (disposal << 2) | (1 if transparent is not None else 0)
    return b'\x21\xF9\x04' + bytes([packed]) + struct.pack('<H', delay) + bytes([transparent or 0]) + b'\x00'


def image(left, top, w, h, indices, min_size=2, local=None, interlaced=False):
    packed = 0
    out = b'\x2C' + struct.pack('<HHHH', left, top, w, h)
    order = list(range(h))
    if interlaced:
        packed |= 0x40
        order = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
    lt = b''
    if local is not None:
        colors, n = local
        packed |= 0x80 | n
        lt = table(colors, n)
    stream = [indices[y * w + x] for y in order for x in range(w)]
    return out + bytes([packed]) + lt + bytes([min_size]) + sub_blocks(lzw(stream, min_size))


def screen(sig, w, h, colors=None, n=1, background=0):
    packed = 0x70
    gt = b''
    if colors is not None:
        packed |= 0x80 | n
        gt = table(colors, n)
    return sig + struct.pack('<HH', w, h) + bytes([packed, background, 0]) + gt


PAL4 = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def main():
    # 8x4 still picture: colour = (x + y) % 4.
    px = [(x + y) % 4 for y in range(4) for x in range(8)]
    write('still87a.gif', screen(b'GIF87a', 8, 4, PAL4) + image(0, 0, 8, 4, px) + b'\x3B')

    # Same picture, lower-case signature and no trailer.
    write('lowercase_notrailer.gif', screen(b'gif89a', 8, 4, PAL4) + image(0, 0, 8, 4, px))

    # 13 rows interlaced: each row holds its row number in 16 colours.
    pal16 = [(i * 16, 255 - i * 16, i * 8) for i in range(16)]
    rows = [y for y in range(13) for _ in range(5)]
    write('interlaced.gif', screen(b'GIF89a', 5, 13, pal16, 3) + image(0, 0, 5, 13, rows, 4, interlaced=True) + b'\x3B')

    # Animation: three 6x6 frames, index 3 transparent, loop 0, disposal 2 on frame 1,
    # a comment before the first frame; frame 2 has a local table and sits at (2, 2).
    netscape = b'\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00'
    comment = b'\x21\xFE\x05hello\x00'
    f0 = [3 if (x + y) % 2 else 0 for y in range(6) for x in range(6)]
    f1 = [1] * 9 + [3] * 27
    f2 = [2, 1, 1, 2]
    anim = (screen(b'GIF89a', 6, 6, PAL4) + netscape + comment + gce(0, 3, 10) + image(0, 0, 6, 6, f0)
            + gce(2, 3, 20) + image(0, 0, 6, 6, f1)
            + gce(1, 3, 0) + image(2, 2, 2, 2, f2, local=([(10, 20, 30), (40, 50, 60), (70, 80, 90), (1, 2, 3)], 1))
            + b'\x3B')
    write('animated.gif', anim)

    # Larger picture that fills the LZW table several times (256 colours, noise-like).
    w, h = 120, 90
    pal256 = [(i, (i * 7) & 255, (i * 13) & 255) for i in range(256)]
    seed = 12345
    big = []
    for _ in range(w * h):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        big.append((seed >> 16) & 255)
    write('noise256.gif', screen(b'GIF89a', w, h, pal256, 7) + image(0, 0, w, h, big, 8) + b'\x3B')


if __name__ == '__main__':
    main()
