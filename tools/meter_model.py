"""The strip as the meter draws it: where lamps, bars and peak marks lie, the
drawing step of a level, and the picture that given levels produce from the
two skins. skingen.py draws the skins to fit it; the end-to-end tests expect
on screen what it composes."""

STRIP_SIZE = (274, 26)  # the main skin, and the window
PARTS_SIZE = (233, 9)  # the lit lamp and the lit bar

ROWS = (1, 17)  # top of the left and the right channel's cells on the strip
PARTS_ROW = 1  # top of the lit lamp and bar on the parts skin
PART_HEIGHT = 8  # rows of a lamp, a bar or a peak mark
LAMP_X = range(1, 17)
LAMP_LEVEL = 1  # a lamp lights above this level
TRACK_X = 19  # where bars start: 2 px per level unit
MARK_WIDTH = 2
MAX_LEVEL = 105


def step(value):
    """The drawing step of a level or peak: truncated, odd values raised to
    the next even one, so that bars move in 4-pixel steps."""
    s = int(value)
    return s + 1 if s % 2 else s


def step_x(value):
    """The column where the bar of a level ends and its peak mark would start."""
    return TRACK_X + 2 * step(value)


BAR_X = range(TRACK_X, step_x(MAX_LEVEL) + MARK_WIDTH)  # the full bar with a peak mark after it


def picture(main, parts, channels):
    """The strip for the (level, peak) of the left and the right channel, as
    rows of pixels: the main skin, with each lit lamp, each bar and each peak
    mark copied from the parts skin (also given as rows of pixels)."""
    strip = [list(row) for row in main]

    def copy(x, width, top):
        for y in range(PART_HEIGHT):
            strip[top + y][x:x + width] = parts[PARTS_ROW + y][x:x + width]

    for top, (level, peak) in zip(ROWS, channels):
        if level > LAMP_LEVEL:
            copy(LAMP_X.start, len(LAMP_X), top)
        copy(TRACK_X, step_x(level) - TRACK_X, top)
        if step(peak) > 1:
            copy(step_x(peak), MARK_WIDTH, top)
    return strip
