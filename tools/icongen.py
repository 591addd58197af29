#!/usr/bin/env python3
"""Draws the application icon: a black brush-style character on a red square,
32 x 32 in 256 colours, written as a Windows .ico file.

The character is rasterised once with ImageMagick and IPA Mincho (both
installed by scripts/setup.sh); the icon file itself is built here."""
import struct
import subprocess
import sys
import tempfile

SIZE = 32
CHAR = "音"
FONT = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"


def glyph_coverage():
    """Grey levels 0..255 of the character, 4x supersampled then reduced."""
    with tempfile.NamedTemporaryFile(suffix=".gray") as out:
        subprocess.run(
            ["convert", "-size", "128x128", "xc:black", "-fill", "white", "-font", FONT,
             "-pointsize", "118", "-gravity", "center", "-annotate", "+0+6", CHAR,
             "-morphology", "Dilate", "Disk:2.5", "-resize", f"{SIZE}x{SIZE}", "-depth", "8", "gray:" + out.name],
            check=True)
        data = open(out.name, "rb").read()
    assert len(data) == SIZE * SIZE
    return data


def build_icon(coverage):
    # Palette: index 0 black, 255 pure red, the ramp between for anti-aliasing.
    palette = []
    for i in range(256):
        t = i / 255
        palette.append((0, 0, round(0xD8 * t)))  # BGR: red fades in
    palette[255] = (0x20, 0x20, 0xD8)
    pixels = bytearray()
    for row in range(SIZE - 1, -1, -1):  # bottom-up
        for col in range(SIZE):
            ink = coverage[row * SIZE + col]
            edge = row in (0, SIZE - 1) or col in (0, SIZE - 1)
            pixels.append(0x60 if edge else 255 - ink)
    mask = bytes(4 * SIZE)  # every pixel opaque
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, len(pixels) + len(mask), 0, 0, 256, 0)
    pal = b"".join(bytes((b, g, r, 0)) for b, g, r in palette)
    image = header + pal + bytes(pixels) + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 22)
    return directory + image


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else "MAINICON.ico"
    with open(target, "wb") as f:
        f.write(build_icon(glyph_coverage()))


if __name__ == "__main__":
    main()
