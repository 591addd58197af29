"""The private test desktop (scripts/desktop.sh) as a careful user meets it:
windows, pointer, keys and pixels through X, for either program."""
import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

DESKTOP_DIR = os.environ.get("SONALIX_DESKTOP_DIR", "")
BIN_DIR = os.environ.get("SONALIX_BIN_DIR", "")
TITLE = "Sonalix 100115"
STRIP_SIZE = (274, 26)


def set_audio(on):
    """Brings the desktop's audio server back, or takes it away."""
    run(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "desktop.sh"),
        "audio-on" if on else "audio-off", DESKTOP_DIR, timeout=30)


def desktop_env():
    env = dict(os.environ)
    with open(os.path.join(DESKTOP_DIR, "env.sh")) as f:
        for line in f:
            m = re.match(r'export (\w+)="?([^"]*)"?$', line.strip())
            if m:
                env[m.group(1)] = os.path.expandvars(m.group(2))
    return env


ENV = desktop_env() if DESKTOP_DIR else dict(os.environ)


# How long the program may take to answer what a test did (a click, a key, a
# tone) before the test gives up. A verdict never depends on it: it only
# bounds a failure. Generous, since the tests run on 2-core machines with two
# other test lanes and, in the load tests, two busy loops beside them, where
# Wine has kept a menu or a box waiting for over ten seconds.
REACTION = 60
# How long a click or key that the program may not have seen is waited on
# before it is given again: a user who sees nothing happen tries again.
RETRY = 10


class KilledBySignal(RuntimeError):
    """A command that a signal ended, rather than one that failed."""


def run(*args, check=True, timeout=20, env=None):
    # Output goes through files, not pipes: a process that Wine starts for
    # the command (its server, its services) inherits them and keeps a pipe
    # open, so reading one to its end, as after a timeout, would never end.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(args, env=env or ENV, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(args, status, out.read().decode(errors="replace"),
                                             err.read().decode(errors="replace"))
    if check and result.returncode != 0:
        failure = KilledBySignal if result.returncode < 0 else RuntimeError
        raise failure(f"{args}: {result.returncode} {result.stderr.strip()}")
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


def wait_until(predicate, timeout=REACTION, interval=0.05, what="condition"):
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


def keep_screen(name):
    """Saves the screen as it is beside the desktop's directory; its path."""
    picture = os.path.join(os.path.dirname(DESKTOP_DIR) or tempfile.gettempdir(),
                           f"{name}-{time.strftime('%H%M%S')}.png")
    try:
        screenshot(picture)
    except (RuntimeError, OSError, subprocess.SubprocessError):
        return "no screenshot"
    return picture


def note_retry(what):
    """Says on the test's output that a step is done again, and keeps the
    screen as it was."""
    print(f"retrying: {what} ({keep_screen('retry')})", file=sys.stderr, flush=True)


class _XImage(ctypes.Structure):
    class Funcs(ctypes.Structure):
        _fields_ = [(name, ctypes.c_void_p) for name in ("create", "destroy", "get", "put", "sub", "add")]

    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p), ("f", Funcs)]


class _Screen:
    """The test desktop's screen, read over one X connection kept for the
    whole run: a picture a test polls for is read in a round trip, where a
    program started for each look (ImageMagick's import) costs a loaded
    machine tens of milliseconds of CPU."""

    _ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(_XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XGrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint, ctypes.c_int,
                                        ctypes.c_int, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
        self.x.XUngrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        # Xlib's own handler ends the process on a request the server refuses
        # (a rectangle off the screen): here it is the test's failure.
        self.failed = False
        self._handler = self._ERROR_HANDLER(self._error)
        self.x.XSetErrorHandler(self._handler)
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open the display " + display)
        self.root = self.x.XDefaultRootWindow(self.dpy)

    def _error(self, _display, _event):
        self.failed = True
        return 0

    def rgb(self, x, y, w, h):
        self.failed = False
        image = self.x.XGetImage(self.dpy, self.root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        self.x.XSync(self.dpy, 0)
        if self.failed or not image:
            raise RuntimeError(f"the screen has no rectangle {w}x{h}+{x}+{y}")
        try:
            picture = image.contents
            if picture.bits_per_pixel != 32 or picture.byte_order != 0:  # 0: least significant byte first
                raise RuntimeError(f"a screen of {picture.bits_per_pixel} bits per pixel in byte order "
                                   f"{picture.byte_order}")
            if (picture.red_mask, picture.green_mask, picture.blue_mask) != (0xFF0000, 0xFF00, 0xFF):
                raise RuntimeError("a screen whose pixels are not 8-bit red, green and blue")
            raw = ctypes.string_at(picture.data, picture.bytes_per_line * h)
            rows = []
            for r in range(h):
                line = raw[r * picture.bytes_per_line:r * picture.bytes_per_line + 4 * w]  # blue, green, red, unused
                rows.append(list(zip(line[2::4], line[1::4], line[0::4])))
            return rows
        finally:
            ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(_XImage))(picture.f.destroy)(image)

    def pointer_grabbed(self):
        """Whether a client holds the pointer (as Wine does in a menu or while
        it moves a window, and a window manager while it moves one): a grab of
        our own is then refused, else let go at once. A client whose own grab
        comes in that instant is refused it, so this is asked seldom."""
        status = self.x.XGrabPointer(self.dpy, self.root, 0, 0, 1, 1, 0, 0, 0)  # async modes, CurrentTime
        if status == 0:  # GrabSuccess
            self.x.XUngrabPointer(self.dpy, 0)
        self.x.XSync(self.dpy, 0)
        return status == 1  # AlreadyGrabbed


_screens = {}


def _screen():
    display = ENV["DISPLAY"]
    if display not in _screens:
        _screens[display] = _Screen(display)
    return _screens[display]


def pixels(x, y, w, h):
    """RGB triples of a screen rectangle, row by row."""
    return _screen().rgb(x, y, w, h)


def pointer_grabbed():
    return _screen().pointer_grabbed()


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


# Two presses closer than the desktop's double-click time (Wine's 500 ms,
# GTK's 400 ms) make one double click, and a right double click opens no
# menu; a careful user's separate clicks never come that close.
DOUBLE_CLICK = 0.6
_last_press = -DOUBLE_CLICK


def _press_apart():
    global _last_press
    wait = _last_press + DOUBLE_CLICK - time.monotonic()
    if wait > 0:
        time.sleep(wait)
    _last_press = time.monotonic()


# A person's click holds the button down for some 50 to 150 ms; xdotool's
# own click holds it for none.
CLICK_HOLD = 0.08


def click(x, y, button=1):
    run("xdotool", "mousemove", str(x), str(y))
    press(button)
    time.sleep(CLICK_HOLD)
    release(button)


def press(button):
    """A press held until release() (a drag, a held menu button)."""
    _press_apart()
    run("xdotool", "mousedown", str(button))


def release(button):
    run("xdotool", "mouseup", str(button))


def key(*keys):
    run("xdotool", "key", *keys)


def described_menu(path=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "main",
                                     "TSNX_MAIN.dfm")):
    """The captions of the strip's menu rows, in order, as its form
    description gives them: the items of its TPopupMenu, "-" a separator."""
    captions, menu_depth, depth = [], None, 0
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            opened = re.match(r"object \w+: (\w+)$", line)
            if opened:
                depth += 1
                if opened.group(1) == "TPopupMenu":
                    menu_depth = depth
                elif opened.group(1) == "TMenuItem" and menu_depth is not None and depth == menu_depth + 1:
                    captions.append("")
            elif line == "end":
                if depth == menu_depth:
                    menu_depth = None
                depth -= 1
            elif menu_depth is not None and depth == menu_depth + 1 and line.startswith("Caption = "):
                captions[-1] = read_string(line[len("Caption = "):])
    return tuple(captions)


def read_string(text):
    """A form description's string: quoted parts ('' a quote) and #code
    characters, side by side."""
    value, at = "", 0
    while at < len(text):
        if text[at] == "'":
            at += 1
            while True:
                end = text.index("'", at)
                value, at = value + text[at:end], end + 1
                if text[at:at + 1] != "'":
                    break
                value, at = value + "'", at + 1
        elif text[at] == "#":
            code = re.match(r"#(\d+)", text[at:]).group(1)
            value += chr(int(code))
            at += 1 + len(code)
        else:
            raise ValueError(f"not a string: {text}")
    return value


# The command menu as built: captions, "-" for a separator.
MENU_ITEMS = described_menu()
# The row whose submenu lists the inputs: the default, a separator, then each
# device in the system's order.
INPUT_MENU = "入力(&I)"


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


def drawn_menu(menu):
    """The rectangle and rows of the menu window `menu` once it is drawn as
    it stays: as many rows as the menu has, read alike twice in a row at the
    same place. A menu is read while it may still be changing: a row that
    the pointer lit as it passed, or a tray host that rebuilds the menu when
    the program updates it on opening (and puts it back in its corner when
    its size changed), can be caught half drawn with the right number of
    rows, or where it no longer is."""
    previous = None
    seen = "nothing"

    def settled():
        nonlocal previous, seen
        rect = geometry_or_none(menu)
        rows = read_menu(*rect) if rect else []
        seen = f"{len(rows)} rows at {rect}" if rect else "the menu gone"
        shape = (rect, [(row.kind, row.top, row.bottom, row.ink) for row in rows]) if complete(rows) else None
        same = shape is not None and shape == previous
        previous = shape
        return (rect, rows) if same else None

    drawn = within(settled, timeout=REACTION, interval=0.2)
    if not drawn:
        raise AssertionError(f"timed out waiting for the menu drawn (last read: {seen}; {keep_screen('menu')})")
    return drawn


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


def reference_menu(command, menus, focus, timeout):
    """The rows of a menu that a probe (`command`) shows on its own, found
    by `menus`; Escape closes it, again while it stays (a key can be lost)."""
    pointer(5, 5)  # away from it, so that no row is highlighted
    shown = subprocess.Popen(command, env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        menu = wait_until(menus, timeout=timeout, what="the reference menu")[0]
        _, rows = drawn_menu(menu)
        for _ in range(5):
            focus(menu)
            key("Escape")
            if within(lambda: shown.poll() is not None, timeout=RETRY):
                break
    finally:
        if shown.poll() is None:
            shown.kill()
    _, errors = shown.communicate()
    assert shown.returncode == 0, f"{command[:2]}: {shown.returncode} {errors.decode(errors='replace')}"
    return rows


def screen_size():
    width, height = run("xdotool", "getdisplaygeometry").split()
    return int(width), int(height)


# The X classes of the tray hosts' panels: the Wine desktop's trayer, the
# native desktop's xfce4-panel.
TRAY_PANELS = "^(trayer|xfce4-panel)$"


def docked_icons(owner):
    """The icons that the program of X class `owner` docked in the tray host's
    panel: {X window id: (x, y, w, h)}."""
    icons = {}
    pattern = r'^\s*(0x[0-9a-f]+) .*\("' + re.escape(owner) + r'" "[^"]*"\)\s+(\d+)x(\d+)\S*\s+\+(-?\d+)\+(-?\d+)'
    for panel in visible_windows(cls=TRAY_PANELS):
        tree = run("xwininfo", "-id", str(panel), "-tree", check=False)
        for m in re.finditer(pattern, tree, re.MULTILINE):
            icons[int(m.group(1), 16)] = (int(m.group(4)), int(m.group(5)), int(m.group(2)), int(m.group(3)))
    return icons


def settings_text(x, y, top, newline=b"\n"):
    """The settings file as the program writes it."""
    return newline.join([b"[Main]", b"MainX=%d" % x, b"MainY=%d" % y, b"Top=%d" % top, b""])


class Program:
    """One run of the program under test as a user meets it, whichever
    platform runs it. A driver (harness.WineApp, native_app.NativeApp) says how
    it starts, which of its windows is which and what its platform can tell of
    them; the rest is the same for both.

    Each run has a folder of its own for its settings, and stand-ins for the
    desktop's openers there that record what a link asks them to open."""

    NEWLINE = b"\n"  # the settings file's line ending
    READS_TEXTS = False  # whether the texts of boxes and tips can be read
    OPENERS = ("xdg-open",)  # what a link is handed to
    TRAY_OWNER = ""  # the X class of the icons the tray host docks for it
    TRAY_MENU_BY_HOST = False  # the tray host draws the tray icon's menu itself
    START_TIMEOUT = REACTION
    scale = 1  # device pixels to a skin pixel

    def __init__(self, ini=None, folder=None, env=None):
        self.folder = folder or tempfile.mkdtemp(prefix="sonalix-", dir=DESKTOP_DIR or None)
        tools = os.path.join(self.folder, "bin")
        os.makedirs(tools, exist_ok=True)
        self.opened_log = os.path.join(self.folder, "opened")
        for name in self.OPENERS:
            with open(os.path.join(tools, name), "w") as f:
                f.write(f'#!/bin/sh\nprintf "%s\\n" "$#" "$@" >> "{self.opened_log}"\n')
            os.chmod(os.path.join(tools, name), 0o755)
        self.env = dict(ENV, PATH=tools + os.pathsep + ENV.get("PATH", ""), **self.platform_env(), **(env or {}))
        if ini is not None:
            os.makedirs(os.path.dirname(self.ini_path), exist_ok=True)
            with open(self.ini_path, "wb") as f:
                f.write(ini.encode("ascii") if isinstance(ini, str) else ini)
        self.process = None
        self.window = None
        self.earlier_strips = set()
        self.log = os.path.join(self.folder, "output")

    def platform_env(self):
        return {}

    @staticmethod
    def input_added():
        """Readies the platform for an input that a test added before the
        program starts; most need nothing."""

    def start(self, program=None, tray=True):
        """Starts the program and waits for its strip and, with `tray`, for
        its icon in the tray host: input sent while the host docks it can go
        astray. A strip already on screen is another run's, one that a
        failed test left going."""
        self.earlier_strips = set(visible_windows(name="^" + TITLE + "$", env=self.env))
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen(self.command(program), env=self.env, stdout=log, stderr=subprocess.STDOUT)
        self.window = wait_until(lambda: self._strip() or self._ended_early("its strip"), timeout=self.START_TIMEOUT,
                                 what="the strip")
        if tray:
            wait_until(lambda: self.tray_icons() or self._ended_early("its tray icon"), timeout=self.START_TIMEOUT,
                       what="the tray icon")
        return self

    def output(self):
        with open(self.log, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def _ended_early(self, shown):
        if self.process.poll() is not None:
            raise RuntimeError(f"the program ended with status {self.process.returncode} before showing {shown}:\n"
                               + self.output())
        return None

    def _strip(self):
        for w in set(visible_windows(name="^" + TITLE + "$", env=self.env)) - self.earlier_strips:
            rect = geometry_or_none(w, env=self.env)
            if rect and rect[2:] == (STRIP_SIZE[0] * self.scale, STRIP_SIZE[1] * self.scale):
                return w
        return None

    def geometry(self):
        return geometry(self.window, env=self.env)

    def strip_pixels(self):
        return pixels(*self.geometry())

    def tray_icons(self):
        """The program's icons docked in the tray host: {X window id: (x, y, w, h)}."""
        return docked_icons(self.TRAY_OWNER)

    def focus(self, window):
        """Gives a window the keyboard before a key is sent to it."""
        run("xdotool", "windowfocus", "--sync", str(window), check=False, env=self.env)

    def holds_keyboard(self, window):
        """Whether the keys typed now go to the window."""
        focused = run("xdotool", "getwindowfocus", check=False, env=self.env).strip()
        return focused == str(window)

    def open_menu(self, via_tray=False, at=None):
        """Opens the command menu with a right click on the strip (at a point
        of the screen, by default near its right end) or on the tray icon, and
        returns its rectangle and rows once all are drawn."""
        if via_tray:
            ix, iy, iw, ih = next(iter(wait_until(self.tray_icons, what="the tray icon").values()))
            at = (ix + iw // 2, iy + ih // 2)
        elif at is None:
            x, y, w, h = self.geometry()
            at = (x + w - 10, y + h // 2)
        for attempt in range(3):  # a click the program never saw opens nothing
            if attempt:
                note_retry("the menu did not open")
            click(*at, 3)
            menu = within(self.menu_window, timeout=RETRY)
            if menu:
                rect = geometry(menu)
                # Off the menu, so that no row is highlighted.
                pointer(rect[0] - 5 if rect[0] >= 5 else rect[0] + rect[2] + 5, rect[1] + rect[3] // 2)
                return drawn_menu(menu)
        raise AssertionError("the menu did not open")

    def close_menu(self):
        """Escape, once for each menu open (it shuts the innermost), and again
        while no menu shuts (a key sent into a menu still opening, or into a
        program that a loaded machine keeps waiting, can be lost); from the
        third try on, also a click on the bare desktop, as a user would, in
        its bottom left corner, away from the strip, its menus and the panels.
        A menu gets the time any reaction has."""
        deadline = time.monotonic() + REACTION
        tries = 0
        while True:
            menus = self.menu_windows()
            if not menus:
                return
            if tries and time.monotonic() > deadline:
                raise AssertionError(f"the menu stayed open after Escape ({self.input_state()})")
            self.focus_menu(menus[0])
            key("Escape")
            if tries >= 2:
                click(2, screen_size()[1] - 2)
            tries += 1
            if not within(lambda: len(self.menu_windows()) < len(menus), timeout=RETRY):
                note_retry(f"the menu stayed open after Escape ({self.input_state()})")

    def input_state(self):
        """Where the keyboard's keys go now and what the system holds open,
        for a retry's or a failure's message."""
        return f"X focus {run('xdotool', 'getwindowfocus', check=False, env=self.env).strip()}"

    @staticmethod
    def focus_menu(menu):
        """What a key into the menu needs first (nothing where the menu
        holds the keyboard itself)."""

    def choose(self, caption, effect, what, via_tray=False, timeout=REACTION):
        """Picks a menu item by a click on its row, clicks again while the
        menu stays open (a click into a menu still opening can be lost), then
        waits for the effect the caller names and returns it. An item whose
        effect cannot be seen passes None: the closed menu is all there is."""
        (x, y, w, _), rows = self.open_menu(via_tray)
        row = rows[MENU_ITEMS.index(caption)]
        # A click into a menu still opening can go unseen. A user who sees
        # the menu stay open clicks again, and so does this, until the program
        # has had all the time there is. The wait between clicks is long,
        # since a click that was only slow and is followed by another could
        # choose twice.
        deadline = time.monotonic() + REACTION
        while True:
            click(x + w // 2, y + (row.top + row.bottom) // 2)
            if within(lambda: self.menu_window() is None, timeout=RETRY):
                return wait_until(effect, timeout=timeout, what=what) if effect else None
            if time.monotonic() > deadline:
                raise AssertionError(f"the menu stayed open after clicks on {caption}")
            note_retry(f"the menu stayed open after a click on {caption} ({self.input_state()})")

    def open_inputs(self):
        """Opens the menu, then its input submenu by resting on its row or,
        where that does not, a click on it, and returns the submenu's
        rectangle and rows once they are all drawn. A user who sees nothing
        open tries again: the pointer leaves the row and comes back (resting
        where it already was tells the menu nothing), and the menu is opened
        again if it went meanwhile (a click on the row can shut it)."""
        for _ in range(3):
            (x, y, w, _), rows = self.open_menu()
            row = rows[MENU_ITEMS.index(INPUT_MENU)]

            def submenu():
                for menu in self.menu_windows():
                    rect = geometry_or_none(menu, env=self.env)
                    if rect and rect[:2] != (x, y):
                        return rect
                return None

            at = (x + w // 2, y + (row.top + row.bottom) // 2)
            rect = None
            for _ in range(2):
                if self.menu_window() is None:
                    break
                pointer(x - 5 if x >= 5 else x + w + 5, at[1])
                pointer(*at)
                rect = within(submenu, timeout=RETRY)
                if not rect:
                    click(*at)
                    rect = within(submenu, timeout=RETRY)
                if rect:
                    break
            if rect:
                # Off both menus, so that no row is highlighted and the submenu stays.
                pointer(rect[0] + rect[2] + 5 if rect[0] > x else rect[0] - 5, rect[1] + rect[3] - 2)
                seen = []

                def drawn():
                    # The rows no longer change: every device is drawn.
                    seen.append([(r.kind, r.top, r.bottom) for r in read_menu(*rect)])
                    return len(seen) > 1 and len(seen[-1]) > 2 and seen[-1] == seen[-2] and read_menu(*rect)

                return rect, wait_until(drawn, what="the input submenu drawn")
            note_retry("the input submenu did not open")
            self.close_menu()
        raise AssertionError("the input submenu did not open")

    def choose_input(self, index, effect, what):
        """Picks row `index` of the input submenu by a click, clicks again
        while the menus stay open, then waits for the effect as choose does.
        Where the menus shut but nothing follows (or no effect can be seen:
        chosen while stopped), the submenu shows whether the row is now the
        chosen one: if not, the click shut the menus without choosing (Wine's
        do now and then), and it is chosen again.
        Returns the submenu's rows as they were before the first click."""
        before = None
        failure = f"input row {index} was not chosen: {what} never came"
        for _ in range(3):
            (x, y, w, _), rows = self.open_inputs()
            before = before or rows
            row = rows[index]
            assert row.kind == "item", f"row {index} of the input submenu is a {row.kind}"
            for _ in range(3):
                click(x + w // 2, y + (row.top + row.bottom) // 2)
                if within(lambda: not self.menu_windows(), timeout=RETRY):
                    break
            else:
                # Menus that take no click on a row are shut and opened
                # afresh, as a user would; what the screen showed is kept.
                failure = f"the menus stayed open after clicks on input row {index}"
                note_retry(failure)
                self.close_menu()
                continue
            if effect and within(effect, timeout=RETRY):
                return before
            chosen = index in checked_rows(self.open_inputs()[1])
            self.close_menu()
            if chosen:
                if effect:
                    wait_until(effect, what=what)
                return before
        raise AssertionError(failure)

    def message_boxes(self, title):
        """The X windows of this program's boxes with that title."""
        return [w for w in visible_windows(name="^" + re.escape(title) + "$", env=self.env)
                if w != self.window and (geometry_or_none(w, env=self.env) or (0, 0, 0))[2] > 1]

    def message_box(self, title):
        """The X window of a box of this program with that title, or None."""
        boxes = self.message_boxes(title)
        return boxes[0] if boxes else None

    def dismiss(self, box):
        """Return into a box, again while it stays: a key sent while the box
        takes the focus can be lost, and a window that a click has not
        activated may not have the keyboard (Wine without a window manager
        gives it only to the window it made active). From the second try a
        click on the box's left side, off its buttons, comes first, as a
        user whose key went astray would click."""
        tries = []
        for attempt in range(5):
            if attempt:
                note_retry(f"the box {box}: {tries[-1]}")
            rect = geometry_or_none(box, env=self.env) if attempt else None
            if rect:
                click(rect[0] + 20, rect[1] + rect[3] // 2)
            self.focus(box)
            # A Return while the keyboard is still elsewhere acts there: in
            # the window the box was shown over, it presses the default
            # button, closing that window too. As a user waits to see the box
            # active, this types only once the box holds the keyboard, and
            # clicks it first otherwise.
            if not within(lambda: self.holds_keyboard(box), timeout=RETRY):
                tries.append(f"it never took the keyboard ({self.input_state()})")
                continue
            key("Return")
            if within(lambda: box not in visible_windows(env=self.env), timeout=RETRY):
                return
            tries.append(f"it stayed after Return ({self.input_state()})")
        raise AssertionError(f"the box {box} stayed open: {'; '.join(tries)} ({keep_screen('box')})")

    def close(self, window, closed):
        """The system's close request to a window, again until `closed` holds
        (a request can be lost on a busy machine)."""
        for _ in range(3):
            self.close_window(window)
            if within(closed, timeout=RETRY):
                return
        raise AssertionError("the window stayed open after close requests")

    def request_close(self):
        """The system's close request to the strip; the program's status."""
        self.close(self.window, lambda: self.process.poll() is not None or not self._strip())
        return self.wait_exit()

    def exit(self):
        """Exit from the menu; the program's status."""
        self.choose("終了(&X)", lambda: self.process.poll() is not None, "the program to end")
        return self.wait_exit()

    def wait_exit(self, timeout=REACTION):
        return self.process.wait(timeout=timeout)

    def read_ini(self):
        with open(self.ini_path, "rb") as f:
            return f.read()

    def settings(self, x, y, top):
        """The settings file as this program writes it."""
        return settings_text(x, y, top, self.NEWLINE)

    def opened(self):
        """What the desktop's openers were asked to open, one argument list a call."""
        if not os.path.exists(self.opened_log):
            return []
        with open(self.opened_log) as f:
            words = f.read().split("\n")[:-1]
        calls = []
        while words:
            count = int(words.pop(0))
            calls.append(words[:count])
            del words[:count]
        return calls


class ProgramTestCase(unittest.TestCase):
    """Ends every run a test started and removes its folder."""

    App = Program

    def setUp(self):
        self.apps = []

    def tearDown(self):
        for app in self.apps:
            app.end()
            shutil.rmtree(app.folder, ignore_errors=True)

    def launch(self, ini=None, env=None, tray=True):
        app = self.App(ini=ini, env=env)
        self.apps.append(app)
        return app.start(tray=tray)
