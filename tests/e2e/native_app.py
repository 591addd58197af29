"""The native driver: the Linux program (build/linux/bin/sonalix) on the
desktop that `scripts/desktop.sh start DIR --native` started, as desk.Program
drives it, and what only the native tests need: an X server of the test's
own and a StatusNotifierWatcher that the test controls.

The desktop's panel (XFCE's) hosts the program's tray icon as a
StatusNotifierItem: it draws the icon among its own widgets, and shows the
item's menu and tip in windows of its tray plugin's process."""
import ctypes
import os
import queue
import re
import signal
import subprocess
import threading
import time

from desk import (BIN_DIR, DESKTOP_DIR, ENV, REACTION, Program, ProgramTestCase, docked_icons, frame_geometry,
                  geometry, pixels, reference_menu, run, screen_size, visible_windows, wait_until, work_area)

XPROBE = os.environ.get("SONALIX_XPROBE", "")
# The program's X class and instance name.
PROGRAM_CLASS = "sonalix"
# The X class of the panel's tray plugin process, whose windows show an
# item's menu and tip.
TRAY_HOST_CLASS = "wrapper-2.0"
# The panel along the top of the test desktop, where the host draws items.
PANEL_HEIGHT = 32
# The red of the program icon's face, as the host draws it scaled: what
# finds the item among the panel's pixels.
ICON_RED = (0xD8, 0x20, 0x20)


def tray_icons():
    """The program's icons docked in the tray host: {X window id: (x, y, w, h)}."""
    return docked_icons(PROGRAM_CLASS)


def hosted_item():
    """Where the panel draws the program's StatusNotifierItem, (x, y, w, h),
    or None: the box around its icon's red face."""
    rows = pixels(0, 0, screen_size()[0], PANEL_HEIGHT)
    red = [(c, r) for r, line in enumerate(rows) for c, p in enumerate(line)
           if all(abs(a - b) <= 12 for a, b in zip(p, ICON_RED))]
    if len(red) < 20:  # a picture of the icon has a few hundred
        return None
    xs, ys = [c for c, _ in red], [r for _, r in red]
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


PANEL_LOG = os.path.join(DESKTOP_DIR, "panel.log")
# What the panel's log says when its tray plugin uses a freed item, and when
# the panel restarts the plugin after a crash.
PANEL_FAULTS = ("invalid (NULL) class pointer", "restarted after crash")


def panel_log_size():
    try:
        return os.path.getsize(PANEL_LOG)
    except OSError:
        return 0


def panel_log_since(offset):
    try:
        with open(PANEL_LOG, "rb") as log:
            log.seek(offset)
            return log.read().decode("utf-8", "replace")
    except OSError:
        return ""


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


def net_wm_state(window):
    """The atoms of a window's _NET_WM_STATE."""
    out = run("xprop", "-id", str(window), "_NET_WM_STATE", check=False)
    return set(re.findall(r"_NET_WM_STATE_\w+", out))


class NativeApp(Program):
    """One run of the native program with its own settings folder."""

    TRAY_OWNER = PROGRAM_CLASS
    # GTK puts a tray icon's menu beside the icon, over the pointer, and
    # takes a press held for half a second and let go off every item for a
    # choice given up, closing the menu. Text is smoothed: letters touch in
    # grey, and no cut into glyphs holds.
    TRAY_MENU_AT_POINTER = HELD_PRESS_KEEPS_MENU = SHARP_TEXT = False
    # The panel draws the tray icon's menu itself, from the item's.
    TRAY_MENU_BY_HOST = True
    # Capture that loses its audio server says so in a box.
    REPORTS_LOST_AUDIO = True
    # So does capture whose chosen input goes while it is metered.
    REPORTS_GONE_INPUT = True
    # The runs this test process has going: whose items the panel may show.
    running = []

    def __init__(self, ini=None, folder=None, env=None):
        super().__init__(ini=ini, folder=folder, env=env)
        # GTK's scale factor: the strip is that many times its size in device pixels.
        self.scale = int(self.env.get("GDK_SCALE") or 1)

    def platform_env(self):
        return {"XDG_CONFIG_HOME": self.config}

    def on_desktop_bus(self):
        return self.env.get("DBUS_SESSION_BUS_ADDRESS") == ENV.get("DBUS_SESSION_BUS_ADDRESS")

    def start(self, program=None, tray=True):
        """Starts the program as desk.Program does. On the desktop's bus the
        run also begins with the panel showing no item of an ended run and
        lasts until the panel shows its own: the panel's tray plugin frees an
        item that leaves while it is still being read in, and then uses it
        (its "invalid (NULL) class pointer" warnings), which can crash the
        plugin, and a second crash within a minute leaves the desktop without
        a tray until someone answers the panel's question."""
        desktop_bus = self.on_desktop_bus()
        NativeApp.running = [app for app in NativeApp.running if app.process.poll() is None]
        if desktop_bus and not any(app.on_desktop_bus() for app in NativeApp.running):
            wait_until(lambda: hosted_item() is None, what="the panel to drop the item of an ended run")
        super().start(program, tray)
        NativeApp.running.append(self)
        if desktop_bus:
            wait_until(lambda: hosted_item() or self._ended_early("its item on the panel"), timeout=self.START_TIMEOUT,
                       what="the panel to show the item")
        return self

    @property
    def config(self):
        return os.path.join(self.folder, "config")

    @property
    def ini_path(self):
        return os.path.join(self.config, "sonalix", "Sonalix.ini")

    def command(self, program=None):
        return [program or os.path.join(BIN_DIR, "sonalix")]

    def windows(self):
        return visible_windows(cls=PROGRAM_CLASS, env=self.env)

    def windows_of_type(self, kind, cls=PROGRAM_CLASS):
        """The windows on screen of a _NET_WM_WINDOW_TYPE, the program's or
        those of another X class."""
        return [w for w in visible_windows(cls=cls, env=self.env) if "_NET_WM_WINDOW_TYPE_" + kind in
                run("xprop", "-id", str(w), "_NET_WM_WINDOW_TYPE", check=False, env=self.env)]

    @staticmethod
    def input_name(sink, description):
        """What the program calls the monitor of a null sink: its source's name."""
        return sink + ".monitor"

    def input_row(self, sink, description):
        """The row of the input submenu that meters the monitor of a null
        sink: every source is listed, in the server's order."""
        sources = [line.split("\t")[1] for line in run("pactl", "list", "short", "sources").splitlines()]
        return 2 + sources.index(self.input_name(sink, description))

    def menu_windows(self):
        """The popup menus on screen: the program's, and the tray host's of
        the program's item."""
        return self.windows_of_type("POPUP_MENU") + self.windows_of_type("POPUP_MENU", TRAY_HOST_CLASS)

    def menu_window(self):
        """The popup menu on screen, or None."""
        menus = self.menu_windows()
        return menus[0] if menus else None

    def close_window(self, window):
        """What a window manager sends for its close button or Alt+F4."""
        send_close_request(window, self.env["DISPLAY"])

    def other_windows(self):
        """The program's windows on screen other than the strip and its
        docked icon."""
        icons = set(tray_icons())
        return [w for w in self.windows() if w != self.window and w not in icons]

    def on_top(self):
        return "_NET_WM_STATE_ABOVE" in net_wm_state(self.window)

    def taskbar_entry(self):
        """What would give the strip a taskbar entry, or None."""
        return None if "_NET_WM_STATE_SKIP_TASKBAR" in net_wm_state(self.window) else "no skip-taskbar state"

    def box_texts(self, title):
        """None: a box's texts cannot be read from outside the program."""
        return None

    def tips(self):
        """The tips and hints on screen, the program's and the tray host's:
        (rectangle, None: the text cannot be read)."""
        return [(geometry(w), None)
                for w in self.windows_of_type("TOOLTIP") + self.windows_of_type("TOOLTIP", TRAY_HOST_CLASS)]

    def tray_icons(self):
        """The program's icon in the tray host: its docked window, or the item
        the host draws (under the key "item"): {key: (x, y, w, h)}."""
        docked = tray_icons()
        if not self.on_desktop_bus():
            return docked
        # On the desktop's own bus the panel hosts the item. The icon docked
        # until the program learns so is on its way out, and a right click
        # on it would open the program's own menu, not the panel's.
        item = hosted_item()
        return {"item": item} if item and not docked else {}

    def dialog_corner(self, dialog):
        """Where the version dialog's frame is."""
        return frame_geometry(dialog)[:2]

    def desktop_corner(self):
        """The top-left corner of the work area, clear of the panel."""
        return work_area()[:2]

    @staticmethod
    def shown_path(path):
        return path

    @classmethod
    def reference_menu(cls, items):
        """The rows of a GTK menu with these items ("-" a separator, a
        leading "+" checked), shown by xprobe on its own."""
        return reference_menu([XPROBE, "menu", "500", "100", *(mnemonic(i) for i in items)],
                              lambda: [w for w in visible_windows(cls="xprobe") if geometry(w)[2] > 50],
                              cls.focus_menu, timeout=30)

    def end(self):
        self.kill()

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait()


def mnemonic(caption):
    """The caption as GTK marks its mnemonic."""
    return caption.replace("&", "_")


class BareDisplay:
    """An X server of the test's own, with nothing else on it: no window
    manager, no tray host. For what a window manager would hide, and for a
    display that goes away."""

    def __init__(self):
        # The server picks a free display itself and names it once it is
        # ready: no other run can take that display in between.
        ready, told = os.pipe()
        # -noreset: an X server whose last client leaves resets itself, and a
        # client connecting meanwhile is refused; the readiness probe below
        # is such a last client.
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(told), "-noreset", "-screen", "0", "1024x768x24",
                                        "-nolisten", "tcp"], pass_fds=(told,), stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        os.close(told)
        with os.fdopen(ready) as named:
            number = named.readline().strip()
        if not number:
            raise RuntimeError("the bare X server did not start")
        self.name = ":" + number
        self.env = dict(ENV, DISPLAY=self.name)
        # Named is not yet reachable for every client on a loaded machine:
        # the display is handed out once a client has connected to it.
        wait_until(lambda: subprocess.run(["xdpyinfo", "-display", self.name], stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL, check=False).returncode == 0,
                   what=f"the bare X server {self.name} to take clients")

    def stop(self):
        if self.server.poll() is None:
            self.server.kill()
            self.server.wait()


class FakeWatcher:
    """A StatusNotifierWatcher (xprobe watcher), with a host registered or
    without, on a session bus of its own: the desktop's belongs to the
    panel's watcher. A program started with `env` uses that bus."""

    def __init__(self, host):
        out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             capture_output=True, text=True, check=True, timeout=30).stdout.split("\n")
        self.bus_pid = int(out[1])
        self.env = {"DBUS_SESSION_BUS_ADDRESS": out[0]}
        self.process = subprocess.Popen([XPROBE, "watcher"] + (["--host"] if host else []), env=dict(ENV, **self.env),
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
            self.process.wait(timeout=REACTION)
        os.kill(self.bus_pid, signal.SIGTERM)


class NativeTestCase(ProgramTestCase):
    """Native runs, on the test desktop or on a display of the test's own.
    A test in which the panel's tray plugin used an item it had freed, or
    crashed, fails, rather than the tests after it that find no tray."""

    App = NativeApp

    def setUp(self):
        super().setUp()
        self.panel_log_seen = panel_log_size()

    def tearDown(self):
        super().tearDown()
        faults = [line for line in panel_log_since(self.panel_log_seen).splitlines()
                  if any(mark in line for mark in PANEL_FAULTS)]
        if faults:
            self.fail("the panel's tray plugin went wrong (" + PANEL_LOG + "):\n" + "\n".join(faults))

    def bare_display(self):
        display = BareDisplay()
        self.addCleanup(display.stop)
        return display

    def watcher(self, host):
        watcher = FakeWatcher(host)
        self.addCleanup(watcher.stop)
        return watcher

