#!/usr/bin/env python3
"""Turns the program's Windows icon into PNG files of the icon theme's sizes,
so that menus and software centres show the same picture as the tray.

usage: icon_png.py MAINICON.ico FOLDER SIZE...
writes FOLDER/SIZE.png for each size.

Each PNG pixel is the average of the icon's pixels under it (weighted by how
much of each it covers, colours weighted by their opacity): an integer
enlargement repeats each pixel as a square block, as the strip does on a
scaled screen, and a reduction blends neighbours."""
import os
import struct
import sys
import zlib

from icon_pixels import decode, fail


def coverage(target, source):
    """For each target column (or row): [(source index, fraction covered)]."""
    spans = []
    for t in range(target):
        begin, end = t * source / target, (t + 1) * source / target
        parts = []
        s = int(begin)
        while s < end:
            part = min(end, s + 1) - max(begin, s)
            if part > 1e-9:
                parts.append((s, part * target / source))
            s += 1
        spans.append(parts)
    return spans


def resample(width, height, argb, size):
    """Straight RGBA rows of the picture at size x size."""
    columns, rows = coverage(size, width), coverage(size, height)
    out = []
    for row in rows:
        line = bytearray()
        for column in columns:
            a = r = g = b = 0.0
            for y, wy in row:
                for x, wx in column:
                    p = argb[y * width + x]
                    weight = wx * wy * (p >> 24) / 255
                    a += weight
                    r += weight * (p >> 16 & 0xFF)
                    g += weight * (p >> 8 & 0xFF)
                    b += weight * (p & 0xFF)
            line += bytes((round(r / a), round(g / a), round(b / a), round(a * 255))) if a > 0 else bytes(4)
        out.append(bytes(line))
    return out


def png(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    pixels = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", pixels) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) < 4:
        fail("usage: icon_png.py ICON FOLDER SIZE...")
    with open(sys.argv[1], "rb") as f:
        width, height, argb = decode(f.read())
    os.makedirs(sys.argv[2], exist_ok=True)
    for size in map(int, sys.argv[3:]):
        with open(os.path.join(sys.argv[2], f"{size}.png"), "wb") as out:
            out.write(png(size, resample(width, height, argb, size)))


if __name__ == "__main__":
    main()
