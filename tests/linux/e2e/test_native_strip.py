"""The native strip as a user meets it: where it opens, how it looks,
dragging, always on top, and the settings written at Exit and at a close
request."""
import os
import unittest

from desk import bmp_pixels, pixels, run, visible_windows, wait_until, within
from native_app import BIN_DIR, NativeTestCase, net_wm_state


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
            ("[main]\r\n mainx = 12 \r\nMAINY=-0\r\n", (12, 0)),
            ("[Main]\nMainX=left\nMainY=5\n", (300, 5)),
            ("garbage without a section\n", (300, 300)),
            ("[Main]\nMainX=5000\nMainY=100\n", (300, 300)),  # off the 1024 x 768 screen
            ("[Main]\nMainX=-200\nMainY=-10\n", (-200, -10)),  # partly on it: kept
        ]
        for text, position in cases:
            with self.subTest(ini=text):
                app = self.launch(ini=text)
                self.assertEqual(app.geometry()[:2], position)
                app.kill()

    def test_stored_top_starts_on_top_and_the_menu_item_turns_it_off(self):
        app = self.launch(ini=ini(10, 20, True))
        self.assertIn("_NET_WM_STATE_ABOVE", net_wm_state(app.window))
        _, rows = app.open_menu()
        app.close_menu()
        app.choose("常に最前面に表示(&T)", None, "")
        self.assertEqual(app.exit(), 0)
        self.assertEqual(app.read_ini(), ini(10, 20, False))

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


class Moving(NativeTestCase):
    def test_a_left_drag_moves_the_strip_and_a_close_request_saves_the_place(self):
        app = self.launch(ini=ini(100, 400, False))
        run("xdotool", "mousemove", "110", "410", "mousedown", "1")
        for step in range(1, 11):
            run("xdotool", "mousemove", str(110 + 10 * step), str(410 - 15 * step))
        run("xdotool", "mouseup", "1")
        wait_until(lambda: app.geometry()[:2] == (200, 250), what="the strip at its new place")
        self.assertEqual(app.request_close(), 0)
        self.assertEqual(app.read_ini(), ini(200, 250, False))


if __name__ == "__main__":
    unittest.main()
