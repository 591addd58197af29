"""The native strip as a user meets it: where it opens, how it looks,
dragging, always on top, and the settings written at Exit and at a close
request."""
import os
import subprocess
import unittest

from desk import bmp_pixels, geometry, pixels, run, visible_windows, wait_until, within
from native_app import BIN_DIR, XPROBE, NativeApp, NativeTestCase, net_wm_state

# The test desktop's panel along the top reserves this many rows.
PANEL_HEIGHT = 32


def ini(left, top, on_top):
    return f"[Main]\nMainX={left}\nMainY={top}\nTop={int(on_top)}\n".encode()


class FirstRun(NativeTestCase):
    def test_opens_at_300_300_without_a_taskbar_entry_and_writes_defaults_at_exit(self):
        app = self.launch()
        self.assertEqual(app.geometry(), (300, 300, 274, 26))
        state = net_wm_state(app.window)
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", state)
        self.assertNotIn("_NET_WM_STATE_ABOVE", state)
        self.assertEqual(app.exit(), 0)
        self.assertEqual(app.read_ini(), ini(300, 300, False))

    def test_idle_strip_shows_the_main_skin_exactly(self):
        app = self.launch()
        expected = bmp_pixels(os.path.join(BIN_DIR, "DATA", "MAIN.BMP"))
        wait_until(lambda: pixels(300, 300, 274, 26) == expected, timeout=5, what="idle skin on screen")


class Settings(NativeTestCase):
    def test_stored_values_are_honoured_and_bad_or_off_screen_ones_give_defaults(self):
        cases = [
            ("[Main]\nMainX=0x40\nMainY=120\n", (64, 120)),
            ("[main]\r\n mainx = -0 \r\nMAINY=40\r\n", (0, 40)),
            ("[Main]\nMainX=left\nMainY=50\n", (300, 50)),
            ("garbage without a section\n", (300, 300)),
            ("[Main]\nMainX=5000\nMainY=100\n", (300, 300)),  # off the 1024 x 768 screen
            ("[Main]\nMainX=-200\nMainY=100\n", (-200, 100)),  # partly on it: kept
        ]
        for text, position in cases:
            with self.subTest(ini=text):
                app = self.launch(ini=text)
                self.assertEqual(app.geometry()[:2], position)
                app.kill()

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

    def test_stored_top_starts_on_top_and_the_menu_item_turns_it_off(self):
        app = self.launch(ini=ini(10, 40, True))
        self.assertIn("_NET_WM_STATE_ABOVE", net_wm_state(app.window))
        app.choose("常に最前面に表示(&T)", lambda: "_NET_WM_STATE_ABOVE" not in net_wm_state(app.window),
                   "the strip no longer on top")
        self.assertEqual(app.exit(), 0)
        self.assertEqual(app.read_ini(), ini(10, 40, False))

    def test_unwritable_settings_are_reported_and_the_program_still_ends(self):
        app = self.launch()
        os.makedirs(app.ini_path)  # a folder in its place makes every write fail
        app.choose("終了(&X)", lambda: visible_windows(name="^Sonalix 100115$") != [app.window], "the error box")
        box = wait_until(lambda: [w for w in visible_windows(name="^Sonalix 100115$") if w != app.window],
                         what="the error box")[0]
        for _ in range(5):  # a key sent while the box takes the focus can be lost
            run("xdotool", "windowfocus", "--sync", str(box), check=False)
            run("xdotool", "key", "Return")
            if within(lambda: app.process.poll() is not None, timeout=5):
                break
        self.assertEqual(app.wait_exit(), 0)

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


class Moving(NativeTestCase):
    def test_a_left_drag_moves_the_strip_the_menu_opens_at_the_pointer_and_a_close_request_saves_the_place(self):
        app = self.launch(ini=ini(100, 400, False))
        run("xdotool", "mousemove", "110", "410", "mousedown", "1")
        for step in range(1, 11):
            run("xdotool", "mousemove", str(110 + 10 * step), str(410 - 15 * step))
        run("xdotool", "mouseup", "1")
        wait_until(lambda: app.geometry()[:2] == (200, 250), what="the strip at its new place")
        app.open_menu(at=(230, 260))
        self.assertEqual(geometry(app.menu_window())[:2], (230, 260))
        app.close_menu()
        self.assertEqual(app.request_close(), 0)
        self.assertEqual(app.read_ini(), ini(200, 250, False))


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
                    for _ in range(3):  # a click the program never saw opens nothing
                        run("xdotool", "mousemove", str(x + 10), str(y + 5), "click", "3", env=display.env)
                        if within(app.menu_window, timeout=10):
                            break
                    # A pixel of the strip under the menu, read as fast as the server answers.
                    watch = subprocess.Popen([XPROBE, "watch", str(x + 30 * scale), str(y + 20 * scale), "300"],
                                             env=display.env, stdout=subprocess.PIPE, text=True)
                    self.assertEqual(watch.stdout.readline().strip(), "ready")
                    for _ in range(5):  # a key sent into a menu still opening can be lost
                        run("xdotool", "key", "Escape", env=display.env)
                        if within(lambda: app.menu_window() is None, timeout=3):
                            break
                    shown = [line.split()[0] for line in watch.communicate()[0].splitlines()]
                    self.assertEqual(watch.returncode, 0)
                    # The menu's colour, then the skin's and nothing between.
                    self.assertEqual(shown[1:], [skin_colour], shown)


if __name__ == "__main__":
    unittest.main()
