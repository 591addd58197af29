"""Drives the real Sonalix.exe under Wine on the test desktop started by
scripts/desktop.sh: windows, pointer, keys and pixels through X, files
through the file system."""
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

TITLE = "Sonalix 100115"
DESKTOP_DIR = os.environ.get("SONALIX_DESKTOP_DIR", "")
BIN_DIR = os.environ.get("SONALIX_BIN_DIR", "")


def desktop_env():
    env = dict(os.environ)
    with open(os.path.join(DESKTOP_DIR, "env.sh")) as f:
        for line in f:
            m = re.match(r'export (\w+)="?([^"]*)"?$', line.strip())
            if m:
                env[m.group(1)] = os.path.expandvars(m.group(2))
    return env


ENV = desktop_env() if DESKTOP_DIR else dict(os.environ)


def run(*args, check=True, timeout=20):
    result = subprocess.run(args, env=ENV, capture_output=True, text=True, timeout=timeout)
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


def visible_windows(name=None, cls=None):
    """Mapped windows by title regex or by X class (one criterion: xdotool ORs them)."""
    args = ["xdotool", "search", "--onlyvisible"]
    args += ["--class", cls] if cls else ["--name", name if name is not None else ""]
    result = subprocess.run(args, env=ENV, capture_output=True, text=True, timeout=20)
    # Status 1 means nothing matched (or a window went while it looked).
    if result.returncode not in (0, 1):
        raise RuntimeError(f"{args}: {result.returncode} {result.stderr.strip()}")
    return [int(w) for w in result.stdout.split()]


def geometry(window):
    out = run("xwininfo", "-id", str(window))
    get = lambda key: int(re.search(key + r":\s+(-?\d+)", out).group(1))
    return get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"), get("Height")


def geometry_or_none(window):
    """The geometry of a window that may have gone since it was found."""
    try:
        return geometry(window)
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


PROBE = os.environ.get("SONALIX_PROBE", "")


def run_probe(*args, timeout=60):
    """winprobe.exe's output; raises when it fails."""
    return run("wine", PROBE, *args, timeout=timeout)


def probe():
    """Win32's view of the top-level windows: dicts with handle, cls, title,
    rect (x, y, w, h), flags ('v'isible 'e'nabled 't'opmost 'a'ppwindow),
    owner and texts (the window's children's texts)."""
    windows = []
    for line in run_probe().splitlines():
        handle, cls, title, rect, flags, owner, texts = (line.rstrip("\r").split("\t") + [""] * 7)[:7]
        windows.append(dict(handle=int(handle), cls=cls, title=title, rect=tuple(int(v) for v in rect.split(",")),
                            flags=flags, owner=int(owner or 0), texts=texts))
    return windows


def probe_one(cls, title=None):
    """The single visible window of a class (and title), or None."""
    found = [w for w in probe() if w["cls"] == cls and "v" in w["flags"] and (title is None or w["title"] == title)]
    return found[0] if len(found) == 1 else None


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


def kill_wine_process(process):
    """Ends a Wine process that is still going. A killed Wine process leaves
    the server's input state pointing at it, so the server is restarted too."""
    if process and process.poll() is None:
        process.kill()
        process.wait()
        run("wineserver", "-k", check=False)
        run("wineserver", "-w", check=False)
        # The persistent server keeps any pipe it inherits open.
        subprocess.run(["wineserver", "-p"], env=ENV, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=20)


class SonalixApp:
    """One run of Sonalix.exe from a fresh copy of the program folder."""

    def __init__(self, ini=None, folder=None):
        self.folder = folder or tempfile.mkdtemp(prefix="sonalix-", dir=DESKTOP_DIR or None)
        shutil.copy(os.path.join(BIN_DIR, "Sonalix.exe"), self.folder)
        data = os.path.join(BIN_DIR, "DATA")
        if os.path.isdir(data) and not os.path.exists(os.path.join(self.folder, "DATA")):
            shutil.copytree(data, os.path.join(self.folder, "DATA"))
        if ini is not None:
            with open(self.ini_path, "wb") as f:
                f.write(ini.encode("ascii") if isinstance(ini, str) else ini)
        self.process = None
        self.window = None

    @property
    def ini_path(self):
        return os.path.join(self.folder, "Sonalix.ini")

    def start(self):
        self.process = subprocess.Popen(["wine", os.path.join(self.folder, "Sonalix.exe")], env=ENV,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = wait_until(lambda: self._strip() or self._ended_early(), timeout=60, what="the strip")
        # The tray host docks the program's icon a moment later; input sent
        # while it does can go astray.
        wait_until(tray_icons, timeout=60, what="the tray icon")
        return self

    def _ended_early(self):
        if self.process.poll() is not None:
            raise RuntimeError(f"Sonalix.exe ended with status {self.process.returncode} before showing its strip")
        return None

    def _strip(self):
        for w in visible_windows(name="^" + TITLE + "$"):
            rect = geometry_or_none(w)
            if rect and rect[2:] == (274, 26):
                return w
        return None

    def geometry(self):
        return geometry(self.window)

    def menu_window(self):
        """The popup menu on screen, or None."""
        for w in visible_windows(cls="sonalix.exe"):
            if w != self.window and run("xdotool", "getwindowname", str(w), check=False).strip() == "":
                return w
        return None

    def open_menu(self, via_tray=False, at=None):
        """Opens the command menu with a right click on the strip (at a point
        of the screen, by default near its right end) or on the tray icon, and
        returns its rows once all are drawn."""
        if via_tray:
            ix, iy, iw, ih = next(iter(wait_until(tray_icons, what="the tray icon").values()))
            at = (ix + iw // 2, iy + ih // 2)
        elif at is None:
            x, y, w, h = self.geometry()
            at = (x + w - 10, y + h // 2)
        for _ in range(3):  # a click the program never saw opens nothing
            click(*at, 3)
            menu = within(self.menu_window, timeout=10)
            if menu:
                rect = geometry(menu)
                # Off the menu, so that no row is highlighted.
                pointer(rect[0] - 5 if rect[0] >= 5 else rect[0] + rect[2] + 5, rect[1] + rect[3] // 2)
                rows = wait_until(lambda: complete(read_menu(*rect)), what="the menu drawn")
                return rect, rows
        raise AssertionError("the menu did not open")

    def message_box(self, title):
        """The X window of a message box of this program with that title, or None."""
        for w in visible_windows(name="^" + re.escape(title) + "$"):
            rect = geometry_or_none(w)
            if w != self.window and rect and rect[2] > 1:
                return w
        return None

    def close_menu(self):
        """Closes an open menu with Escape, again while it stays open (a key
        sent into a menu still opening can be lost)."""
        for _ in range(5):
            menu = self.menu_window()
            if menu is None:
                return
            run("xdotool", "windowfocus", str(menu), check=False)
            key("Escape")
            if within(lambda: self.menu_window() is None, timeout=3):
                return
        raise AssertionError("the menu stayed open after Escape")

    def choose(self, caption, effect, what, via_tray=False, timeout=10):
        """Picks a menu item by a click on its row, clicks again while the
        menu stays open (a click into a menu still opening can be lost), then
        waits for the effect the caller names and returns it. An item whose
        effect cannot be seen passes None: the closed menu is all there is."""
        (x, y, w, _), rows = self.open_menu(via_tray)
        row = rows[MENU_ITEMS.index(caption)]
        for _ in range(5):
            click(x + w // 2, y + (row.top + row.bottom) // 2)
            if within(lambda: self.menu_window() is None, timeout=5):
                return wait_until(effect, timeout=timeout, what=what) if effect else None
        raise AssertionError(f"the menu stayed open after clicks on {caption}")

    def wait_exit(self, timeout=15):
        return self.process.wait(timeout=timeout)

    def close_with_alt_f4(self):
        """The system's close request by keyboard: Alt+F4 on the focused strip,
        again while the strip stays up (a key can be lost on a busy machine)."""
        for _ in range(3):
            run("xdotool", "windowfocus", str(self.window), check=False)
            key("alt+F4")
            if within(lambda: self.process.poll() is not None or not self._strip(), timeout=5):
                break
        return self.wait_exit()

    def read_ini(self):
        with open(self.ini_path, "rb") as f:
            return f.read()

    def kill(self):
        """Ends a run that a test left going."""
        kill_wine_process(self.process)


class AppTestCase(unittest.TestCase):
    """Starts nothing itself; cleans up every app a test started."""

    def setUp(self):
        self.apps = []

    def tearDown(self):
        for app in self.apps:
            if app.process and app.process.poll() is None:
                try:
                    app.close_with_alt_f4()
                except Exception:  # pylint: disable=broad-except
                    pass
            app.kill()

    def launch(self, ini=None):
        app = SonalixApp(ini=ini)
        self.apps.append(app)
        return app.start()


def screen_size():
    width, height = run("xdotool", "getdisplaygeometry").split()
    return int(width), int(height)


def tray_icons():
    """The icons docked in the tray host's panel: {X window id: (x, y, w, h)}."""
    icons = {}
    for panel in visible_windows(cls="trayer"):
        tree = run("xwininfo", "-id", str(panel), "-tree", check=False)
        for m in re.finditer(r'^\s*(0x[0-9a-f]+) .*\("explorer\.exe" "explorer\.exe"\)\s+(\d+)x(\d+)\S*\s+\+(-?\d+)\+(-?\d+)',
                             tree, re.MULTILINE):
            icons[int(m.group(1), 16)] = (int(m.group(4)), int(m.group(5)), int(m.group(2)), int(m.group(3)))
    return icons


def window_texts(win32_class):
    """What the visible windows of a Win32 class report as their text (a
    tooltip reports the tip it shows)."""
    return [w["title"] for w in probe() if w["cls"].lower() == win32_class.lower() and "v" in w["flags"]]
