"""Drives the real Sonalix.exe under Wine on the test desktop started by
scripts/desktop.sh: windows, pointer, keys and pixels through X, files
through the file system."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from desk import (DESKTOP_DIR, ENV, MENU_ITEMS, MenuRow, bmp_pixels, checked_rows, click, complete,  # noqa: F401
                  docked_icons, geometry, geometry_or_none, key, net_wm_state, pixels, pointer, press_return, read_menu,
                  run, screen_size, screenshot, visible_windows, wait_until, within)

TITLE = "Sonalix 100115"
BIN_DIR = os.environ.get("SONALIX_BIN_DIR", "")


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


def tray_icons():
    """The icons docked in the tray host's panel: {X window id: (x, y, w, h)}."""
    return docked_icons("explorer.exe")


def window_texts(win32_class):
    """What the visible windows of a Win32 class report as their text (a
    tooltip reports the tip it shows)."""
    return [w["title"] for w in probe() if w["cls"].lower() == win32_class.lower() and "v" in w["flags"]]
