"""Drives the native Linux program (build/linux/bin/sonalix) on the desktop
that `scripts/desktop.sh start DIR --native` started: the same strip and menu
as under Wine, found by the strip's X class and driven by the menu's
mnemonics, which need no knowledge of where a row is drawn."""
import ctypes
import os
import re
import subprocess
import tempfile

import desk

BIN_DIR = os.environ.get("SONALIX_BIN_DIR", "")
# The program's X class and instance name, and its strip's title.
X_CLASS = "sonalix"
TITLE = "Sonalix"


def mnemonic(caption):
    """The key of a caption such as "開始(&S)": "s"."""
    return re.search(r"&(\w)", caption).group(1).lower()


def send_close_request(window):
    """What a window manager sends on Alt+F4: WM_DELETE_WINDOW in a
    WM_PROTOCOLS message. The test desktop has no window manager to send it."""
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

    display = x.XOpenDisplay(desk.ENV["DISPLAY"].encode())
    if not display:
        raise RuntimeError("cannot open the display " + desk.ENV["DISPLAY"])
    try:
        event = ClientMessage(type=33, window=window, format=32,  # 33: ClientMessage
                              message_type=x.XInternAtom(display, b"WM_PROTOCOLS", 0))
        event.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        x.XFlush(display)
    finally:
        x.XCloseDisplay(display)


class NativeApp:
    """One run of the native program with settings of its own: its
    XDG_CONFIG_HOME is a fresh folder, so runs never share a Sonalix.ini."""

    def __init__(self, folder=None):
        self.folder = folder or tempfile.mkdtemp(prefix="sonalix-", dir=desk.DESKTOP_DIR or None)
        self.env = dict(desk.ENV, XDG_CONFIG_HOME=os.path.join(self.folder, "config"))
        self.process = None
        self.window = None

    def start(self):
        self.process = subprocess.Popen([os.path.join(BIN_DIR, "sonalix")], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = desk.wait_until(lambda: self._strip() or self._ended_early(), timeout=60, what="the strip")
        return self

    def _ended_early(self):
        if self.process.poll() is not None:
            raise RuntimeError(f"sonalix ended with status {self.process.returncode} before showing its strip")
        return None

    def _strip(self):
        for w in desk.visible_windows(cls="^" + X_CLASS + "$"):
            rect = desk.geometry_or_none(w)
            if rect and rect[2:] == (274, 26) and self._title(w) == TITLE:
                return w
        return None

    @staticmethod
    def _title(window):
        return desk.run("xdotool", "getwindowname", str(window), check=False).strip()

    def geometry(self):
        return desk.geometry(self.window)

    def menu_window(self):
        """The popup menu on screen, or None: GTK's menus are the program's
        only override-redirect windows besides its tooltips."""
        for w in desk.visible_windows(cls="^" + X_CLASS + "$"):
            if w != self.window and "Override Redirect State: yes" in desk.run("xwininfo", "-id", str(w), check=False):
                return w
        return None

    def choose(self, caption, effect, what, timeout=10):
        """Opens the menu with a right click near the strip's right end and
        picks the item by its mnemonic, again while the menu stays open (a
        click or key sent while the menu opens can be lost); then waits for
        the effect the caller names and returns it."""
        x, y, w, h = self.geometry()
        for _ in range(5):
            desk.click(x + w - 10, y + h // 2, 3)
            if desk.within(self.menu_window, timeout=5):
                desk.key(mnemonic(caption))
                if desk.within(lambda: self.menu_window() is None, timeout=5):
                    return desk.wait_until(effect, timeout=timeout, what=what) if effect else None
                desk.key("Escape")
        raise AssertionError(f"the menu did not take {caption}")

    def wait_exit(self, timeout=15):
        return self.process.wait(timeout=timeout)

    def request_close(self):
        """The system's close request, again while the strip stays up."""
        for _ in range(3):
            send_close_request(self.window)
            if desk.within(lambda: self.process.poll() is not None or not self._strip(), timeout=5):
                break
        return self.wait_exit()

    def kill(self):
        """Ends a run that a caller left going."""
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
