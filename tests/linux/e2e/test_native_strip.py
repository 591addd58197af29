"""The native strip where a window manager matters: parked over the panel,
its place saved under load, and the skin uncovered on a display without a
window manager. What the strip does on both platforms is in the scenarios
(tests/e2e/scenarios)."""
import os
import subprocess
import time
import unittest

from desk import RETRY, bmp_pixels, run, within
from native_app import BIN_DIR, XPROBE, NativeApp, NativeTestCase

# The test desktop's panel along the top reserves this many rows.
PANEL_HEIGHT = 32


def ini(left, top, on_top):
    return f"[Main]\nMainX={left}\nMainY={top}\nTop={int(on_top)}\n".encode()


class Settings(NativeTestCase):
    def test_a_strip_parked_over_the_panel_stays_over_it_and_its_place_on_screen_is_saved(self):
        # Wholly within the panel's rows. The window manager keeps a window
        # that places itself partly in its work area (openbox: a tenth of it),
        # but the strip is not sent away to the default place.
        app = self.launch(ini=ini(600, 3, False))
        x, y, _, _ = app.geometry()
        self.assertEqual(x, 600)
        self.assertLess(y, PANEL_HEIGHT, "the strip left the panel")
        self.assertEqual(app.request_close(), 0)
        self.assertEqual(app.read_ini(), ini(600, y, False))

    def test_the_saved_place_is_the_strips_place_over_ten_starts_under_load(self):
        # Under a reparenting window manager the strip once took itself for
        # being at 0,0 in some starts, and saved that. Two busy loops load
        # both cores meanwhile.
        load = [subprocess.Popen(["python3", "-c", "while True: pass"]) for _ in range(2)]
        try:
            for start in range(10):
                with self.subTest(start=start):
                    app = NativeApp(ini=ini(400, 200, False))
                    self.apps.append(app)
                    app.start(tray=False)
                    self.assertEqual(app.request_close(), 0)
                    self.assertEqual(app.read_ini(), ini(400, 200, False))
        finally:
            for busy in load:
                busy.kill()
                busy.wait()


class Repainting(NativeTestCase):
    def test_a_closing_menu_uncovers_the_skin_and_never_the_form_colour(self):
        # A window manager's frame hides the fault: this runs on a display
        # without one. On a screen GTK scales, each skin pixel is a block.
        display = self.bare_display()
        skin = bmp_pixels(os.path.join(BIN_DIR, "DATA", "MAIN.BMP"))
        skin_colour = "%02X%02X%02X" % skin[20][30]
        # Each run stays till the end: a bare server resets when its last
        # client goes, and refuses connections meanwhile.
        for scale in (1, 2):
            app = self.launch(ini=ini(40, 40, False), env={"DISPLAY": display.name, "GDK_SCALE": str(scale)},
                              tray=False)
            x, y, _, _ = app.geometry()
            for closing in range(3):
                with self.subTest(scale=scale, closing=closing):
                    # On a loaded machine the menu can outlast the watch;
                    # what it saw then tells nothing, and the menu is opened
                    # and closed again.
                    for _ in range(3):
                        shown = self.colours_as_the_menu_closes(app, display, x + 30 * scale, y + 20 * scale)
                        if shown is not None:
                            break
                    else:
                        self.fail("the menu outlasted the watch each time")
                    # The menu's colour, then the skin's and nothing between.
                    self.assertEqual(shown[1:], [skin_colour], shown)

    WATCH_SECONDS = 1.0

    def colours_as_the_menu_closes(self, app, display, x, y):
        """Opens the strip's menu over the point x, y (screen pixels), closes
        it with Escape, and returns the colours that point showed meanwhile,
        read as fast as the server answers; None when the menu may have
        closed after the watch ended."""
        strip_x, strip_y, _, _ = app.geometry()
        for _ in range(3):  # a click the program never saw opens nothing
            run("xdotool", "mousemove", str(strip_x + 10), str(strip_y + 5), "click", "3", env=display.env)
            if within(app.menu_window, timeout=RETRY):
                break
        # The watch starts after this and ends no sooner than this plus its time.
        started = time.monotonic()
        watch = subprocess.Popen([XPROBE, "watch", str(x), str(y), str(int(self.WATCH_SECONDS * 1000))],
                                 env=display.env, stdout=subprocess.PIPE, text=True)
        self.assertEqual(watch.stdout.readline().strip(), "ready")
        for _ in range(5):  # a key sent into a menu still opening can be lost
            run("xdotool", "key", "Escape", env=display.env)
            if within(lambda: app.menu_window() is None, timeout=RETRY):
                break
        seen_closed = time.monotonic()
        shown = [line.split()[0] for line in watch.communicate()[0].splitlines()]
        self.assertEqual(watch.returncode, 0)
        return shown if seen_closed - started < self.WATCH_SECONDS else None

if __name__ == "__main__":
    unittest.main()
