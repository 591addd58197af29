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


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(interval)


def visible_windows(name=None, cls=None):
    """Mapped windows by title regex or by X class (one criterion: xdotool ORs them)."""
    args = ["xdotool", "search", "--onlyvisible"]
    args += ["--class", cls] if cls else ["--name", name if name is not None else ""]
    out = run(*args, check=False)
    return [int(w) for w in out.split()]


def geometry(window):
    out = run("xwininfo", "-id", str(window))
    get = lambda key: int(re.search(key + r":\s+(-?\d+)", out).group(1))
    return get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"), get("Height")


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


def probe():
    """Win32's view of the top-level windows: dicts with handle, cls, title,
    rect (x, y, w, h), flags ('v'isible 'e'nabled 't'opmost 'a'ppwindow),
    owner and texts (the window's children's texts)."""
    windows = []
    for line in run("wine", PROBE).splitlines():
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
        self.window = wait_until(lambda: self._strip(), timeout=20, what="the strip")
        # The tray host docks the program's icon a moment later; input sent
        # while it does can go astray.
        wait_until(tray_icons, timeout=20, what="the tray icon")
        return self

    def _strip(self):
        for w in visible_windows(name="^" + TITLE + "$"):
            if geometry(w)[2:] == (274, 26):
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

    def wait_exit(self, timeout=15):
        return self.process.wait(timeout=timeout)

    def close_with_alt_f4(self):
        """The system's close request by keyboard: Alt+F4 on the focused strip."""
        run("xdotool", "windowfocus", str(self.window), check=False)
        key("alt+F4")
        return self.wait_exit()

    def choose(self, accelerator):
        """Opens the strip's menu with a right click and picks an item by its key."""
        x, y, w, h = self.geometry()
        click(x + w - 10, y + h // 2, 3)
        menu = wait_until(self.menu_window, what="menu")
        # Keyboard focus may still sit on a window that has gone (a closed dialog).
        run("xdotool", "windowfocus", str(menu), check=False)
        key(accelerator)

    def read_ini(self):
        with open(self.ini_path, "rb") as f:
            return f.read()

    def kill(self):
        """Ends a run that a test left going. A killed Wine process leaves the
        server's input state pointing at it, so the server is restarted too."""
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
            run("wineserver", "-k", check=False)
            run("wineserver", "-w", check=False)
            # The persistent server keeps any pipe it inherits open.
            subprocess.run(["wineserver", "-p"], env=ENV, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=20)


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
