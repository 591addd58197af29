"""Drives the native Linux program (build/linux/bin/sonalix) on the desktop
that `scripts/desktop.sh start DIR --native` started: windows, pointer, keys
and pixels through X, the settings file and the links it opens through the
file system."""
import ctypes
import os
import queue
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import unittest

from desk import (DESKTOP_DIR, ENV, MENU_ITEMS, click, complete, docked_icons, geometry, geometry_or_none, key, pointer,
                  read_menu, run, visible_windows, wait_until, within)

TITLE = "Sonalix 100115"
BIN_DIR = os.environ.get("SONALIX_BIN_DIR", "")
XPROBE = os.environ.get("SONALIX_XPROBE", "")
# The program's X class and instance name.
PROGRAM_CLASS = "sonalix"


def tray_icons():
    """The program's icons docked in the tray host: {X window id: (x, y, w, h)}."""
    return docked_icons(PROGRAM_CLASS)


def send_close_request(window, display_name=None):
    """What a window manager sends on Alt+F4: WM_DELETE_WINDOW in a
    WM_PROTOCOLS message."""
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]

    display_name = display_name or ENV["DISPLAY"]
    display = x.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError("cannot open the display " + display_name)
    try:
        event = ClientMessage(type=33, window=window, format=32,  # 33: ClientMessage
                              message_type=x.XInternAtom(display, b"WM_PROTOCOLS", 0))
        event.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        x.XFlush(display)
    finally:
        x.XCloseDisplay(display)


class NativeApp:
    """One run of the native program with its own settings folder and a
    stand-in for xdg-open that records what it is asked to open."""

    def __init__(self, ini=None, folder=None, env=None):
        self.folder = folder or tempfile.mkdtemp(prefix="sonalix-", dir=DESKTOP_DIR or None)
        self.config = os.path.join(self.folder, "config")
        tools = os.path.join(self.folder, "bin")
        os.makedirs(tools)
        self.opened_log = os.path.join(self.folder, "opened")
        opener = os.path.join(tools, "xdg-open")
        with open(opener, "w") as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "$#" "$@" >> "{self.opened_log}"\n')
        os.chmod(opener, 0o755)
        self.env = dict(ENV, XDG_CONFIG_HOME=self.config, PATH=tools + os.pathsep + ENV.get("PATH", ""), **(env or {}))
        # GTK's scale factor: the strip is that many times its size in device pixels.
        self.scale = int(self.env.get("GDK_SCALE") or 1)
        if ini is not None:
            os.makedirs(os.path.dirname(self.ini_path), exist_ok=True)
            with open(self.ini_path, "wb") as f:
                f.write(ini.encode("ascii") if isinstance(ini, str) else ini)
        self.process = None
        self.window = None
        self.log = os.path.join(self.folder, "output")

    @property
    def ini_path(self):
        return os.path.join(self.config, "sonalix", "Sonalix.ini")

    def start(self, program=None, tray=True):
        """Starts the program and waits for its strip and, with `tray`, for
        its icon in the tray host."""
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen([program or os.path.join(BIN_DIR, "sonalix")], env=self.env,
                                            stdout=log, stderr=subprocess.STDOUT)
        self.window = wait_until(lambda: self._strip() or self._ended_early(), timeout=30, what="the strip")
        # Input sent while the tray host docks the icon can go astray.
        if tray:
            wait_until(tray_icons, timeout=30, what="the tray icon")
        return self

    def output(self):
        with open(self.log, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def _ended_early(self):
        if self.process.poll() is not None:
            raise RuntimeError(f"sonalix ended with status {self.process.returncode} before showing its strip:\n"
                               + self.output())
        return None

    def _strip(self):
        for w in visible_windows(name="^" + TITLE + "$", env=self.env):
            rect = geometry_or_none(w, env=self.env)
            if rect and rect[2:] == (274 * self.scale, 26 * self.scale):
                return w
        return None

    def geometry(self):
        return geometry(self.window, env=self.env)

    def windows(self):
        return visible_windows(cls=PROGRAM_CLASS, env=self.env)

    def menu_windows(self):
        """The program's popup menus on screen."""
        return [w for w in self.windows() if "_NET_WM_WINDOW_TYPE_POPUP_MENU" in
                run("xprop", "-id", str(w), "_NET_WM_WINDOW_TYPE", check=False, env=self.env)]

    def menu_window(self):
        """The popup menu on screen, or None."""
        menus = self.menu_windows()
        return menus[0] if menus else None

    def open_menu(self, via_tray=False, at=None):
        """Opens the command menu with a right click on the strip or on the
        tray icon and returns its rectangle and rows once all are drawn."""
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

    def close_menu(self):
        """Escape, again while the menu stays open (a key sent into a menu
        still opening can be lost)."""
        for _ in range(5):
            if self.menu_window() is None:
                return
            key("Escape")
            if within(lambda: self.menu_window() is None, timeout=3):
                return
        raise AssertionError("the menu stayed open after Escape")

    def choose(self, caption, effect, what, via_tray=False, timeout=10):
        """Clicks a menu row, again while the menu stays open, then waits for
        the effect the caller names and returns it (None: no effect to see)."""
        (x, y, w, _), rows = self.open_menu(via_tray)
        row = rows[MENU_ITEMS.index(caption)]
        for _ in range(5):
            click(x + w // 2, y + (row.top + row.bottom) // 2)
            if within(lambda: self.menu_window() is None, timeout=5):
                return wait_until(effect, timeout=timeout, what=what) if effect else None
        raise AssertionError(f"the menu stayed open after clicks on {caption}")

    def exit(self):
        """Exit from the menu; the program's status."""
        self.choose("終了(&X)", lambda: self.process.poll() is not None, "the program to end")
        return self.wait_exit()

    def request_close(self):
        """The close request a window manager sends (the strip has no close
        button), again while the strip stays up; the program's status."""
        for _ in range(3):
            send_close_request(self.window, self.env["DISPLAY"])
            if within(lambda: self.process.poll() is not None or not self._strip(), timeout=5):
                break
        return self.wait_exit()

    def wait_exit(self, timeout=15):
        return self.process.wait(timeout=timeout)

    def read_ini(self):
        with open(self.ini_path, "rb") as f:
            return f.read()

    def opened(self):
        """What xdg-open was asked to open, one argument list per call."""
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

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait()


class BareDisplay:
    """An X server of the test's own, with nothing else on it: no window
    manager, no tray host. For what a window manager would hide, and for a
    display that goes away."""

    def __init__(self):
        # The server picks a free display itself and names it once it is
        # ready: no other run can take that display in between.
        ready, told = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(told), "-screen", "0", "1024x768x24", "-nolisten",
                                        "tcp"], pass_fds=(told,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(told)
        with os.fdopen(ready) as named:
            number = named.readline().strip()
        if not number:
            raise RuntimeError("the bare X server did not start")
        self.name = ":" + number
        self.env = dict(ENV, DISPLAY=self.name)

    def stop(self):
        if self.server.poll() is None:
            self.server.kill()
            self.server.wait()


class FakeWatcher:
    """A StatusNotifierWatcher on the desktop's session bus (xprobe watcher),
    with a host registered or without."""

    def __init__(self, host):
        self.process = subprocess.Popen([XPROBE, "watcher"] + (["--host"] if host else []), env=ENV,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.items = []
        self._said = queue.Queue()
        threading.Thread(target=self._listen, daemon=True).start()
        self._expect("ready")

    def _listen(self):
        for line in self.process.stdout:
            self._said.put(line.rstrip("\n"))
        self._said.put(None)

    def _expect(self, wanted, timeout=30):
        """Reads the watcher's reports until one says `wanted` (a line, or a
        test of one), noting registrations on the way."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                said = self._said.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                raise AssertionError(f"the watcher did not say {wanted!r}") from None
            if said is None:
                raise AssertionError(f"the watcher ended before saying {wanted!r}")
            if said.startswith("registered "):
                self.items.append(said.split(" ", 1)[1])
            if said == wanted or (callable(wanted) and wanted(said)):
                return

    def tell(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        self._expect("done " + command)

    def registered_item(self):
        """The first item to register, once one has."""
        if not self.items:
            self._expect(lambda said: said.startswith("registered "))
        return self.items[0]

    def stop(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            self.process.wait(timeout=10)


class NativeTestCase(unittest.TestCase):
    """Cleans up every app a test started and every file it left."""

    def setUp(self):
        self.apps = []

    def tearDown(self):
        for app in self.apps:
            app.kill()
            shutil.rmtree(app.folder, ignore_errors=True)

    def launch(self, ini=None, env=None, tray=True):
        app = NativeApp(ini=ini, env=env)
        self.apps.append(app)
        return app.start(tray=tray)

    def bare_display(self):
        display = BareDisplay()
        self.addCleanup(display.stop)
        return display

    def watcher(self, host):
        watcher = FakeWatcher(host)
        self.addCleanup(watcher.stop)
        return watcher


def net_wm_state(window):
    """The atoms of a window's _NET_WM_STATE."""
    out = run("xprop", "-id", str(window), "_NET_WM_STATE", check=False)
    return set(re.findall(r"_NET_WM_STATE_\w+", out))
