"""The Wine driver: the real Sonalix.exe under Wine on the test desktop started
by scripts/desktop.sh, as desk.Program drives it, with what only Win32 can
tell (window flags, owners, the texts of boxes and tips) read by winprobe."""
import os
import shutil
import subprocess

# Re-exported for the Win32-only tests and scripts that drive Wine.
from desk import (BIN_DIR, DESKTOP_DIR, ENV, REACTION, RETRY, TITLE, KilledBySignal, Program,  # noqa: F401
                  ProgramTestCase, bmp_pixels, docked_icons, geometry, geometry_or_none, key, pixels, reference_menu,
                  run, screenshot, visible_windows, wait_until, within)

PROBE = os.environ.get("SONALIX_PROBE", "")


def run_probe(*args, timeout=60):
    """winprobe.exe's output; raises when it fails. A probe that Wine's
    loader crashed under (seen at the first wave-device listing of a fresh
    desktop: SIGSEGV) is run again."""
    for _ in range(2):
        try:
            return run("wine", PROBE, *args, timeout=timeout)
        except KilledBySignal:
            pass
    return run("wine", PROBE, *args, timeout=timeout)


def probe():
    """Win32's view of the top-level windows: dicts with handle, cls, title,
    rect (x, y, w, h), flags ('v'isible 'e'nabled 't'opmost 'a'ppwindow
    'f'oreground),
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


def tray_icons():
    """The icons docked in the tray host's panel: {X window id: (x, y, w, h)}."""
    return docked_icons("explorer.exe")


class WineApp(Program):
    """One run of Sonalix.exe from a fresh copy of the program folder."""

    NEWLINE = b"\r\n"
    READS_TEXTS = True
    # Wine's browser hands a web link to the first, a mail link to the second.
    OPENERS = ("xdg-open", "xdg-email")
    TRAY_OWNER = "explorer.exe"
    # The system puts a tray icon's menu with its corner at the pointer,
    # moved only to stay on the screen, and a menu opened by a press stays
    # open when the button comes up. Text is drawn unsmoothed: a line of it
    # cuts into glyphs at blank columns.
    TRAY_MENU_AT_POINTER = HELD_PRESS_KEEPS_MENU = SHARP_TEXT = True
    # Capture that loses its audio server hears nothing and says nothing.
    REPORTS_LOST_AUDIO = False
    # Nor does capture whose input goes while it is metered.
    REPORTS_GONE_INPUT = False

    def __init__(self, ini=None, folder=None, env=None):
        super().__init__(ini=ini, folder=folder, env=env)
        shutil.copy(os.path.join(BIN_DIR, "Sonalix.exe"), self.folder)
        data = os.path.join(BIN_DIR, "DATA")
        if os.path.isdir(data) and not os.path.exists(os.path.join(self.folder, "DATA")):
            shutil.copytree(data, os.path.join(self.folder, "DATA"))

    def platform_env(self):
        # Wine's own errors go to the run's output, which a run that ends
        # before its strip shows: without them such an end says nothing.
        return {"WINEDEBUG": "fixme-all"}

    @property
    def ini_path(self):
        return os.path.join(self.folder, "Sonalix.ini")

    def command(self, program=None):
        return ["wine", program or os.path.join(self.folder, "Sonalix.exe")]

    @staticmethod
    def input_name(sink, description):
        """What the program calls the monitor of a null sink: Wine names a
        wave input device after the source's description."""
        return "Monitor of " + description

    @staticmethod
    def input_added():
        """Wine lists an input new to its prefix last in the first process
        that sees it, and in its registry's order in every later one, so the
        program and the probe that finds its row would disagree (the row
        found then chose another input). A first listing registers it for
        both."""
        run_probe("inputs")

    def input_row(self, sink, description):
        """The row of the input submenu that meters the monitor of a null sink."""
        names = [line.rstrip("\r") for line in run_probe("inputs").splitlines()]
        return 2 + names.index(self.input_name(sink, description))

    def menu_windows(self):
        """The popup menus on screen: a menu and the submenus open from it."""
        return [w for w in visible_windows(cls="sonalix.exe")
                if w != self.window and run("xdotool", "getwindowname", str(w), check=False).strip() == ""]

    def menu_window(self):
        """The popup menu on screen, or None."""
        menus = self.menu_windows()
        return menus[0] if menus else None

    @staticmethod
    def focus_menu(menu):
        run("xdotool", "windowfocus", str(menu), check=False)

    def input_state(self):
        try:
            windows = probe()
        except (RuntimeError, subprocess.SubprocessError) as e:
            return f"{super().input_state()}, no probe: {e}"
        foreground = [w["cls"] for w in windows if "f" in w["flags"]] or ["none"]
        menus = sum(w["cls"] == "#32768" and "v" in w["flags"] for w in windows)
        return f"{super().input_state()}, foreground {foreground[0]}, {menus} menus shown"

    def close_window(self, window):
        """The system's close request by keyboard: Alt+F4 on the focused window."""
        run("xdotool", "windowfocus", str(window), check=False)
        key("alt+F4")

    def other_windows(self):
        """The program's windows on screen other than the strip (its tray
        icon belongs to the tray host's process)."""
        return [w for w in visible_windows(cls="sonalix.exe") if w != self.window]

    def on_top(self):
        return "t" in probe_one("TSNX_MAIN")["flags"]

    def taskbar_entry(self):
        """What would give the strip a taskbar button, or None. The button
        belongs to the application's hidden window, which owns the strip; the
        strip does not ask for one of its own."""
        windows = probe()
        carriers = [w for w in windows if w["cls"] == "TApplication" and w["title"] == TITLE]
        strip = [w for w in windows if w["cls"] == "TSNX_MAIN"]
        if len(carriers) != 1:
            return f"{len(carriers)} application windows"
        if "v" in carriers[0]["flags"]:
            return "the application window is visible"
        if strip[0]["owner"] != carriers[0]["handle"]:
            return "the strip is not owned by the application window"
        if "a" in strip[0]["flags"]:
            return "the strip asks for a button of its own"
        return None

    def box_texts(self, title):
        """The texts of the one box of that title, or None while there is none."""
        box = probe_one("#32770", title)
        return box and box["texts"].split("|")

    def tips(self):
        """The tips and hints on screen: (rectangle, text)."""
        return [(w["rect"], w["title"]) for w in probe()
                if w["cls"].lower() in ("tooltips_class32", "thintwindow") and "v" in w["flags"]]

    def dialog_corner(self, dialog):
        """Where the version dialog's window is, as its program sees it."""
        return wait_until(lambda: probe_one("TSNX_ABOUT"), what="the dialog in Win32")["rect"][:2]

    def desktop_corner(self):
        return 0, 0

    @staticmethod
    def shown_path(path):
        """A file's path as the program names it."""
        return "Z:" + path.replace("/", "\\")

    @classmethod
    def reference_menu(cls, items):
        """The rows of a menu with these items ("-" a separator, a leading
        "+" checked), shown by winprobe on its own."""
        return reference_menu(["wine", PROBE, "menu", "500", "100", *items], lambda: visible_windows(cls="winprobe.exe"),
                              cls.focus_menu, timeout=60)

    def end(self):
        """Ends a run that a test left going: a killed Wine process costs a
        restart of the Wine server, so a close request first."""
        if self.process and self.process.poll() is None:
            try:
                self.request_close()
            except Exception:  # pylint: disable=broad-except
                pass
        kill_wine_process(self.process)

    def kill(self):
        kill_wine_process(self.process)


class WineTestCase(ProgramTestCase):
    App = WineApp

