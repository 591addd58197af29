"""The native program as an X client of a GNOME Wayland session: mutter
running headless with a virtual monitor, and Xwayland started by it, on a
session bus of their own. The strip opens at its stored place with its idle
picture, a right click opens its menu, Start from there lights the lamps, and
the session's SIGTERM saves the place. One session for the whole case."""
import glob
import os
import re
import shutil
import signal
import subprocess
import tempfile
import unittest

from desk import DESKTOP_DIR, ENV, MENU_ITEMS, RETRY, run, visible_windows, wait_until, within
from native_app import NativeApp, NativeTestCase
from sound import Tone, expected_strip, level, skins

# Starting mutter and its Xwayland takes well under a second on an idle
# machine; a 2-core machine running three test lanes at once can make that
# tens of seconds.
SESSION_START_SECONDS = 90


def children(pid):
    """The processes whose parent is `pid`."""
    found = []
    for stat in glob.glob("/proc/[0-9]*/stat"):
        try:
            with open(stat) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid:
            found.append(int(stat.split("/")[2]))
    return found


def running(pid):
    """Whether `pid` is a process that has not ended (a zombie has)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


class WaylandSession:
    """mutter --wayland --headless with Xwayland, on a bus of its own; `env`
    is what an X client of the session needs."""

    def __init__(self, folder):
        self.runtime = os.path.join(folder, "runtime")
        os.makedirs(self.runtime, mode=0o700)
        out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             capture_output=True, text=True, check=True, timeout=30).stdout.split("\n")
        self.bus_pid = int(out[1])
        env = {k: v for k, v in ENV.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY")}
        env.update(XDG_RUNTIME_DIR=self.runtime, DBUS_SESSION_BUS_ADDRESS=out[0])
        self.log = os.path.join(folder, "mutter.log")
        with open(self.log, "wb") as log:
            self.mutter = subprocess.Popen(["mutter", "--wayland", "--headless", "--virtual-monitor", "1024x768",
                                            "--wayland-display=sonalix-wayland"], env=env, stdout=log,
                                           stderr=subprocess.STDOUT)
        display = wait_until(self._display, timeout=SESSION_START_SECONDS, what="mutter's X display")
        authority = wait_until(lambda: glob.glob(os.path.join(self.runtime, ".mutter-Xwaylandauth.*")),
                               timeout=SESSION_START_SECONDS, what="Xwayland's authority file")[0]
        self.env = {"DISPLAY": display, "XAUTHORITY": authority, "DBUS_SESSION_BUS_ADDRESS": out[0]}
        # Xwayland takes clients once it answers one.
        wait_until(lambda: subprocess.run(["xdpyinfo"], env=dict(ENV, **self.env), stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL, check=False).returncode == 0,
                   timeout=SESSION_START_SECONDS, what="Xwayland to take clients")
        self.xwayland = [pid for pid in children(self.mutter.pid) if running(pid)]

    def _display(self):
        if self.mutter.poll() is not None:
            raise AssertionError("mutter ended:\n" + open(self.log, errors="replace").read())
        with open(self.log, errors="replace") as f:
            m = re.search(r"Using public X11 display (:\d+)", f.read())
        return m.group(1) if m else None

    def stop(self):
        """Ends mutter, whose Xwayland goes with it, and the bus; whether
        nothing of the session is left."""
        if self.mutter.poll() is None:
            self.mutter.terminate()
            try:
                self.mutter.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.mutter.kill()
                self.mutter.wait()
        for pid in self.xwayland:
            if within(lambda: not running(pid), timeout=30) is None:
                os.kill(pid, signal.SIGKILL)
        os.kill(self.bus_pid, signal.SIGTERM)
        return not any(running(pid) for pid in self.xwayland)


class WaylandStrip(NativeTestCase):
    def window_pixels(self, app, window):
        """RGB rows of a window of the session, read from the window itself:
        Xwayland's root window shows nothing of its clients."""
        x, y, w, h = app.geometry()
        raw = subprocess.run(["import", "-window", str(window), "-depth", "8", "rgb:-"], env=app.env,
                             capture_output=True, timeout=20, check=True).stdout
        return [[tuple(raw[(r * w + c) * 3:(r * w + c) * 3 + 3]) for c in range(w)] for r in range(h)]

    def test_on_gnomes_wayland_session_the_strip_opens_in_place_its_menu_starts_capture_and_sigterm_saves(self):
        folder = tempfile.mkdtemp(prefix="sonalix-wayland-", dir=DESKTOP_DIR or None)
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        session = WaylandSession(folder)
        self.addCleanup(session.stop)

        app = NativeApp(ini="[Main]\nMainX=310\nMainY=220\nTop=0\n", env=session.env)
        self.apps.append(app)
        app.start(tray=False)  # GNOME shows no tray without an extension
        self.assertEqual(app.geometry(), (310, 220, 274, 26))
        wait_until(lambda: self.window_pixels(app, app.window) == skins()[0], what="the idle skin in the strip")

        tone = Tone(20, -5)  # amplitudes 20 and 5: levels 66 and 38
        self.addCleanup(tone.stop)
        menus = lambda: [w for w in visible_windows(cls="sonalix", env=app.env) if "POPUP_MENU" in
                         run("xprop", "-id", str(w), "_NET_WM_WINDOW_TYPE", check=False, env=app.env)]
        for _ in range(3):  # a click the program never saw opens nothing
            run("xdotool", "mousemove", "574", "233", "click", "3", env=app.env)
            if within(menus, timeout=RETRY):
                break
        self.assertTrue(menus(), "the menu did not open")
        # Start by its mnemonic, again while the menu stays (a key sent into
        # a menu still opening can be lost).
        self.assertEqual(MENU_ITEMS[0], "開始(&S)")
        for _ in range(5):
            run("xdotool", "key", "s", env=app.env)
            if within(lambda: not menus(), timeout=RETRY):
                break
        self.assertEqual(menus(), [], "the menu stayed open")
        steady = expected_strip(level(20), level(5))
        wait_until(lambda: self.window_pixels(app, app.window) == steady, what="the lamps and bars lit")

        app.process.send_signal(signal.SIGTERM)
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(app.read_ini(), app.settings(310, 220, 0))
        self.assertTrue(session.stop(), "mutter's Xwayland outlived it")
        self.assertIsNotNone(session.mutter.poll())


if __name__ == "__main__":
    unittest.main()
