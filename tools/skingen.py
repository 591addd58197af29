"""Draws the meter skins: MAIN.BMP (the idle strip) and PARTS.BMP (the lit lamp and bar).

Usage: skingen.py OUTPUT_DIR
"""

import os
import sys

import bmp
from meter_model import BAR_X, LAMP_X, PART_HEIGHT, PARTS_ROW, PARTS_SIZE, ROWS, STRIP_SIZE, TRACK_X, step_x

BACKGROUND = (22, 22, 26)
FRAME = (70, 72, 80)
GAP = (12, 12, 14)
SCALE = (110, 112, 120)

# Bar colour by level: green, through yellow, to red at full scale.
STOPS = ((0, (0, 190, 70)), (60, (90, 215, 20)), (82, (250, 220, 0)), (96, (255, 120, 0)), (106, (255, 30, 30)))
# Light falling on a rounded bar: rows 0 to 7 of a lamp or bar.
SHADE = (0.70, 1.00, 0.96, 0.90, 0.84, 0.78, 0.72, 0.55)
UNLIT = 0.22

# Scale ticks between the tracks, at -40, -30, -20, -12, -6 and 0 dB (0.4 dB a level unit).
TICK_LEVELS = (5, 30, 55, 75, 90, 105)

GLYPH_X = 262
GLYPHS = {
    "L": ("1000", "1000", "1000", "1000", "1000", "1000", "1111"),
    "R": ("1110", "1001", "1001", "1110", "1010", "1001", "1001"),
}


def mix(colour, factor, base=(0, 0, 0)):
    return tuple(min(255, round(b + (c - b) * factor)) for c, b in zip(colour, base))


def level_colour(level):
    for (l0, c0), (l1, c1) in zip(STOPS, STOPS[1:]):
        if level <= l1:
            t = (level - l0) / (l1 - l0)
            return tuple(round(a + (b - a) * t) for a, b in zip(c0, c1))
    return STOPS[-1][1]


def bar_pixel(x, row, lit):
    """The bar is drawn in 4 px steps: 3 lit columns and a dark gap."""
    if (x - TRACK_X) % 4 == 3:
        return GAP
    segment = (x - TRACK_X) // 4
    colour = mix(level_colour(segment * 2 + 1), SHADE[row])
    return colour if lit else mix(colour, UNLIT, GAP)


def lamp_pixel(x, row, lit):
    left, right = LAMP_X[0], LAMP_X[-1]
    corner = (x in (left, right)) and row in (0, 7)
    if corner:
        return BACKGROUND
    if x in (left, right) or row in (0, 7):
        return (30, 120, 40) if lit else (34, 44, 36)
    colour = mix((80, 245, 90), SHADE[row])
    if lit and row == 1 and left + 2 <= x <= right - 5:
        return (200, 255, 200)  # highlight
    return colour if lit else mix(colour, UNLIT, BACKGROUND)


def glyph_pixel(name, x, row):
    glyph = GLYPHS[name]
    return 0 <= x < len(glyph[0]) and row < len(glyph) and glyph[row][x] == "1"


def main_pixel(x, y):
    width, height = STRIP_SIZE
    if x in (0, width - 1) or y in (0, height - 1):
        return FRAME
    for top, name in zip(ROWS, "LR"):
        row = y - top
        if 0 <= row < PART_HEIGHT:
            if x in LAMP_X:
                return lamp_pixel(x, row, lit=False)
            if x in BAR_X:
                return bar_pixel(x, row, lit=False)
            if glyph_pixel(name, x - GLYPH_X, row):
                return SCALE
    ticks = [step_x(level) for level in TICK_LEVELS]
    if x in ticks and 12 <= y <= 14:
        return SCALE
    if y == 13 and ticks[0] <= x <= ticks[-1]:
        return FRAME
    return BACKGROUND


def parts_pixel(x, y):
    row = y - PARTS_ROW
    if 0 <= row < PART_HEIGHT:
        if x in LAMP_X:
            return lamp_pixel(x, row, lit=True)
        if x in BAR_X:
            return bar_pixel(x, row, lit=True)
    return BACKGROUND


def generate(folder):
    os.makedirs(folder, exist_ok=True)
    bmp.write(os.path.join(folder, "MAIN.BMP"), *STRIP_SIZE, main_pixel)
    bmp.write(os.path.join(folder, "PARTS.BMP"), *PARTS_SIZE, parts_pixel)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    generate(sys.argv[1])
