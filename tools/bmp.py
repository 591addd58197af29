"""Writes uncompressed 24-bit Windows bitmap files (standard library only)."""

import struct


def encode(width, height, pixel):
    """Returns the bytes of a bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b), y downwards."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    return header + info + image


def write(path, width, height, pixel):
    with open(path, "wb") as f:
        f.write(encode(width, height, pixel))
