#!/usr/bin/env python3
"""Draws the about dialog's banner, 200 x 40 at 24 bits: a black field, a
one-pixel light grey frame and the maker's mark in small light letters at the
lower right, and stores it as the picture data of the dialog's form
description (a bitmap file in hex).

Usage: bannergen.py [--check] FORM_DESCRIPTION
  Without --check the description's "Picture.Data = {...}" is rewritten; with
  it, the script only reports (exit status 1) whether it differs.
"""
import re
import sys

import bmp

WIDTH, HEIGHT = 200, 40
FIELD = (0, 0, 0)
FRAME = (181, 181, 181)
MARK = (214, 214, 214)
MARK_TEXT = "SONALIX WORKS"
MARGIN = 3  # between the mark and the frame

GLYPHS = {
    "S": ("0111", "1000", "0110", "0001", "1110"),
    "O": ("0110", "1001", "1001", "1001", "0110"),
    "N": ("1001", "1101", "1011", "1001", "1001"),
    "A": ("0110", "1001", "1111", "1001", "1001"),
    "L": ("1000", "1000", "1000", "1000", "1111"),
    "I": ("111", "010", "010", "010", "111"),
    "X": ("1001", "1001", "0110", "1001", "1001"),
    "W": ("10001", "10001", "10101", "10101", "01010"),
    "R": ("1110", "1001", "1110", "1010", "1001"),
    "K": ("1001", "1010", "1100", "1010", "1001"),
    " ": ("00", "00", "00", "00", "00"),
}


def mark_pixels():
    """The lit pixels of the mark, right- and bottom-aligned inside the frame."""
    width = sum(len(GLYPHS[c][0]) for c in MARK_TEXT) + len(MARK_TEXT) - 1
    left = WIDTH - 1 - MARGIN - width
    top = HEIGHT - 1 - MARGIN - 5
    lit = set()
    x = left
    for c in MARK_TEXT:
        rows = GLYPHS[c]
        for dy, row in enumerate(rows):
            for dx, bit in enumerate(row):
                if bit == "1":
                    lit.add((x + dx, top + dy))
        x += len(rows[0]) + 1
    return lit


def banner():
    lit = mark_pixels()

    def pixel(x, y):
        if x in (0, WIDTH - 1) or y in (0, HEIGHT - 1):
            return FRAME
        return MARK if (x, y) in lit else FIELD

    return bmp.encode(WIDTH, HEIGHT, pixel)


def picture_data(data, indent="      "):
    text = data.hex().upper()
    lines = [indent + text[i:i + 64] for i in range(0, len(text), 64)]
    return "Picture.Data = {\n" + "\n".join(lines) + "}"


def main(argv):
    check = "--check" in argv
    paths = [a for a in argv if a != "--check"]
    if len(paths) != 1:
        sys.exit(__doc__)
    path = paths[0]
    with open(path, encoding="utf-8") as f:
        text = f.read()
    pattern = re.compile(r"Picture\.Data = \{[0-9A-Fa-f\s]*\}")
    if len(pattern.findall(text)) != 1:
        sys.exit(f"{path}: expected exactly one Picture.Data")
    updated = pattern.sub(lambda _: picture_data(banner()), text)
    if check:
        if updated != text:
            sys.exit(f"{path}: the banner differs from what bannergen.py draws")
        return
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(updated)


if __name__ == "__main__":
    main(sys.argv[1:])
