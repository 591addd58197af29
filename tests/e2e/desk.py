"""The private test desktop (scripts/desktop.sh) as a careful user meets it:
windows, pointer, keys and pixels through X, for either program."""
import os
import re
import subprocess
import time

DESKTOP_DIR = os.environ.get("SONALIX_DESKTOP_DIR", "")


def desktop_env():
    env = dict(os.environ)
    with open(os.path.join(DESKTOP_DIR, "env.sh")) as f:
        for line in f:
            m = re.match(r'export (\w+)="?([^"]*)"?$', line.strip())
            if m:
                env[m.group(1)] = os.path.expandvars(m.group(2))
    return env


ENV = desktop_env() if DESKTOP_DIR else dict(os.environ)


def run(*args, check=True, timeout=20, env=None):
    result = subprocess.run(args, env=env or ENV, capture_output=True, text=True, timeout=timeout)
    if check and result.returncode != 0:
        raise RuntimeError(f"{args}: {result.returncode} {result.stderr.strip()}")
    return result.stdout


def within(predicate, timeout, interval=0.05):
    """The predicate's first true value within the time, else None."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            return None
        time.sleep(interval)


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    value = within(predicate, timeout, interval)
    if not value:
        raise AssertionError(f"timed out waiting for {what}")
    return value


def visible_windows(name=None, cls=None, env=None):
    """Mapped windows by title regex or by X class (one criterion: xdotool ORs them)."""
    args = ["xdotool", "search", "--onlyvisible"]
    args += ["--class", cls] if cls else ["--name", name if name is not None else ""]
    result = subprocess.run(args, env=env or ENV, capture_output=True, text=True, timeout=20)
    # Status 1 means nothing matched (or a window went while it looked).
    if result.returncode not in (0, 1):
        raise RuntimeError(f"{args}: {result.returncode} {result.stderr.strip()}")
    return [int(w) for w in result.stdout.split()]


def geometry(window, env=None):
    out = run("xwininfo", "-id", str(window), env=env)
    get = lambda key: int(re.search(key + r":\s+(-?\d+)", out).group(1))
    return get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"), get("Height")


def frame_geometry(window):
    """The place and size of a window with the window manager's frame around it."""
    x, y, w, h = geometry(window)
    extents = re.findall(r"\d+", run("xprop", "-id", str(window), "_NET_FRAME_EXTENTS", check=False).split("=")[-1])
    left, right, top, bottom = (int(e) for e in extents) if len(extents) == 4 else (0, 0, 0, 0)
    return x - left, y - top, w + left + right, h + top + bottom


def work_area():
    """The desktop's work area (without the panel): x, y, width, height."""
    return tuple(int(v) for v in re.findall(r"\d+", run("xprop", "-root", "_NET_WORKAREA").split("=")[1])[:4])


def geometry_or_none(window, env=None):
    """The geometry of a window that may have gone since it was found."""
    try:
        return geometry(window, env=env)
    except RuntimeError:
        return None


def net_wm_state(window):
    return run("xprop", "-id", str(window), "_NET_WM_STATE", check=False)


def screenshot(path, x=0, y=0, w=None, h=None):
    crop = [] if w is None else ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
    run("import", "-window", "root", *crop, path)
    return path


def pixels(x, y, w, h):
    """RGB triples of a screen rectangle, row by row."""
    raw = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                         env=ENV, capture_output=True, timeout=20, check=True).stdout
    return [[tuple(raw[(r * w + c) * 3:(r * w + c) * 3 + 3]) for c in range(w)] for r in range(h)]


def bmp_pixels(path):
    """RGB rows of a 24-bit bottom-up BMP file."""
    with open(path, "rb") as f:
        data = f.read()
    offset = int.from_bytes(data[10:14], "little")
    w = int.from_bytes(data[18:22], "little", signed=True)
    h = int.from_bytes(data[22:26], "little", signed=True)
    stride = (w * 3 + 3) & ~3
    rows = []
    for r in range(abs(h)):
        src = (abs(h) - 1 - r) if h > 0 else r
        line = data[offset + src * stride: offset + src * stride + w * 3]
        rows.append([(line[c * 3 + 2], line[c * 3 + 1], line[c * 3]) for c in range(w)])
    return rows


def pointer(x, y):
    run("xdotool", "mousemove", str(x), str(y))


def click(x, y, button=1):
    run("xdotool", "mousemove", str(x), str(y), "click", str(button))


def key(*keys):
    run("xdotool", "key", *keys)


def press_return(window, is_open, what):
    """Return into a box, again while it stays open: a key sent while the
    box takes the focus can be lost."""
    for _ in range(5):
        run("xdotool", "windowfocus", "--sync", str(window), check=False)
        key("Return")
        if within(lambda: not is_open(), timeout=5):
            return
    raise AssertionError(f"{what} stayed open")


# The command menu as built: captions, "-" for a separator.
MENU_ITEMS = ("開始(&S)", "停止(&P)", "-", "常に最前面に表示(&T)", "-", "バージョン情報(&A)", "-", "終了(&X)")


class MenuRow:
    """One row of a popup menu as drawn: a separator or an item, its rows of
    pixels (menu coordinates, bottom inclusive) and its ink."""

    def __init__(self, kind, top, bottom, ink):
        self.kind, self.top, self.bottom, self.ink = kind, top, bottom, ink

    @property
    def first_ink_column(self):
        return min(c for line in self.ink for c, v in enumerate(line) if v)


def read_menu(x, y, w, h):
    """The rows of the popup menu drawn at x, y, w, h, top to bottom. A
    separator is a line of one colour across nearly the whole row; an item is
    a block of text lines (an underline joins its caption) set apart from the
    next by blank lines."""
    picture = pixels(x, y, w, h)
    colours = {}
    for line in picture:
        for p in line:
            colours[p] = colours.get(p, 0) + 1
    background = max(colours, key=colours.get)
    ink = [[p != background for p in line] for line in picture]
    # The frame: outer lines and columns without background.
    top, bottom, left, right = 0, h - 1, 0, w - 1
    while top < bottom and all(ink[top]):
        top += 1
    while bottom > top and all(ink[bottom]):
        bottom -= 1
    while left < right and all(ink[r][left] for r in range(h)):
        left += 1
    while right > left and all(ink[r][right] for r in range(h)):
        right -= 1

    def kind(r):
        marked = [c for c in range(left, right + 1) if ink[r][c]]
        if not marked:
            return "blank"
        across = len(marked) >= 0.8 * (right - left + 1) and marked[-1] - marked[0] + 1 == len(marked)
        return "line" if across and len({picture[r][c] for c in marked}) == 1 else "text"

    rows, r = [], top
    while r <= bottom:
        k = kind(r)
        if k == "blank":
            r += 1
            continue
        end = r
        if k == "line":
            while end + 1 <= bottom and kind(end + 1) == "line":
                end += 1
            rows.append(MenuRow("separator", r, end, []))
        else:
            # Lines of one caption lie at most two blank lines apart.
            while True:
                nxt = next((n for n in range(end + 1, min(end + 4, bottom + 1)) if kind(n) != "blank"), None)
                if nxt is None or kind(nxt) != "text":
                    break
                end = nxt
            rows.append(MenuRow("item", r, end, [line[left:right + 1] for line in ink[r:end + 1]]))
        r = end + 1
    return rows


def complete(rows):
    """The rows when there are as many as the menu has, else None."""
    return rows if len(rows) == len(MENU_ITEMS) else None


def checked_rows(rows):
    """Indexes of the items with a mark left of where every other caption
    starts."""
    items = [i for i, row in enumerate(rows) if row.kind == "item"]
    marked = []
    for i in items:
        others = min(rows[j].first_ink_column for j in items if j != i)
        if rows[i].first_ink_column < others - 3:
            marked.append(i)
    return marked


def screen_size():
    width, height = run("xdotool", "getdisplaygeometry").split()
    return int(width), int(height)


def docked_icons(owner):
    """The icons that the program of X class `owner` docked in the tray host's
    panel: {X window id: (x, y, w, h)}."""
    icons = {}
    pattern = r'^\s*(0x[0-9a-f]+) .*\("' + re.escape(owner) + r'" "[^"]*"\)\s+(\d+)x(\d+)\S*\s+\+(-?\d+)\+(-?\d+)'
    for panel in visible_windows(cls="trayer"):
        tree = run("xwininfo", "-id", str(panel), "-tree", check=False)
        for m in re.finditer(pattern, tree, re.MULTILINE):
            icons[int(m.group(1), 16)] = (int(m.group(4)), int(m.group(5)), int(m.group(2)), int(m.group(3)))
    return icons
