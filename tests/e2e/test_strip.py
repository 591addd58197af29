"""The strip as a user meets it: where it opens, how it looks, dragging, the
menu, always on top, and the settings file written at exit."""
import os
import time
import unittest

from harness import (BIN_DIR, AppTestCase, bmp_pixels, click, geometry, pixels, pointer, press_return, probe, probe_one,
                     run, visible_windows, wait_until, within)


def topmost():
    return "t" in probe_one("TSNX_MAIN")["flags"]


class FirstRun(AppTestCase):
    def test_opens_at_300_300_without_taskbar_button_and_writes_defaults_at_exit(self):
        app = self.launch()
        self.assertEqual(app.geometry(), (300, 300, 274, 26))
        # No taskbar button: the window that carries it is hidden, and the
        # strip is owned by it and does not ask for a button of its own.
        windows = probe()
        carrier = [w for w in windows if w["cls"] == "TApplication" and w["title"] == "Sonalix 100115"]
        strip = [w for w in windows if w["cls"] == "TSNX_MAIN"]
        self.assertEqual(len(carrier), 1)
        self.assertNotIn("v", carrier[0]["flags"])
        self.assertEqual(strip[0]["owner"], carrier[0]["handle"])
        self.assertNotIn("a", strip[0]["flags"])
        self.assertFalse(topmost())
        self.assertEqual([w for w in visible_windows(cls="sonalix.exe")], [app.window])
        self.assertEqual(app.close_with_alt_f4(), 0)
        self.assertEqual(app.read_ini(), b"[Main]\r\nMainX=300\r\nMainY=300\r\nTop=0\r\n")

    def test_idle_strip_shows_the_main_skin_exactly(self):
        app = self.launch()
        expected = bmp_pixels(os.path.join(BIN_DIR, "DATA", "MAIN.BMP"))
        wait_until(lambda: pixels(300, 300, 274, 26) == expected, timeout=5, what="idle skin on screen")


class Settings(AppTestCase):
    def test_stored_values_are_honoured_and_bad_ones_give_defaults(self):
        cases = [
            ("[Main]\r\nMainX=0x40\r\nMainY=120\r\n", (64, 120)),
            ("[Main]\r\nMainX=left\r\nMainY=-0\r\n", (300, 0)),
            ("garbage without a section\r\n", (300, 300)),
        ]
        for ini, position in cases:
            with self.subTest(ini=ini):
                app = self.launch(ini=ini)
                self.assertEqual(app.geometry()[:2], position)
                self.assertEqual(app.close_with_alt_f4(), 0)

    def test_stored_top_starts_topmost_and_the_menu_item_turns_it_off(self):
        app = self.launch(ini="[Main]\r\nMainX=10\r\nMainY=20\r\nTop=1\r\n")
        self.assertTrue(topmost())
        app.choose("常に最前面に表示(&T)", lambda: not topmost(), "the strip no longer on top")
        self.assertEqual(app.close_with_alt_f4(), 0)
        self.assertEqual(app.read_ini(), b"[Main]\r\nMainX=10\r\nMainY=20\r\nTop=0\r\n")

    def test_unwritable_settings_are_reported_and_the_program_still_ends(self):
        app = self.launch()
        os.mkdir(app.ini_path)  # a folder in its place makes every write fail
        box = app.choose("終了(&X)", lambda: probe_one("#32770", "Sonalix 100115"), "the error box")
        windows_path = "Z:" + app.ini_path.replace("/", "\\")
        self.assertIn(windows_path + " に書き込めません.", box["texts"])
        press_return(wait_until(lambda: app.message_box("Sonalix 100115"), what="the error box on screen"),
                     lambda: app.process.poll() is None and app.message_box("Sonalix 100115"), "the error box")
        self.assertEqual(app.wait_exit(), 0)


class OffScreen(AppTestCase):
    """The screen is 1024 x 768: a place off it is given up for the default
    one, and any place that leaves some of the strip on it is kept."""

    def test_a_strip_stored_off_every_monitor_opens_at_the_default_place_and_is_saved_there(self):
        app = self.launch(ini="[Main]\r\nMainX=5000\r\nMainY=100\r\n")
        self.assertEqual(app.geometry(), (300, 300, 274, 26))
        self.assertEqual(app.close_with_alt_f4(), 0)
        self.assertEqual(app.read_ini(), b"[Main]\r\nMainX=300\r\nMainY=300\r\nTop=0\r\n")

    def test_a_partly_visible_strip_opens_where_it_was_stored(self):
        app = self.launch(ini="[Main]\r\nMainX=-200\r\nMainY=100\r\n")
        self.assertEqual(app.geometry(), (-200, 100, 274, 26))
        self.assertEqual(app.close_with_alt_f4(), 0)
        self.assertEqual(app.read_ini(), b"[Main]\r\nMainX=-200\r\nMainY=100\r\nTop=0\r\n")


class Mouse(AppTestCase):
    def test_drag_moves_the_strip_and_the_new_place_is_saved(self):
        app = self.launch(ini="[Main]\r\nMainX=200\r\nMainY=200\r\n")
        target = (320, 280)
        # On a loaded machine the first moves can come before the program has
        # taken the press and begun the drag; a careful user then drags the
        # strip on from where it stopped.
        for _ in range(3):
            x, y = app.geometry()[:2]
            if (x, y) == target:
                break
            pointer(x + 10, y + 10)
            run("xdotool", "mousedown", "1")
            steps = max(abs(target[0] - x), abs(target[1] - y)) // 3 + 1
            for step in range(1, steps + 1):  # small steps: Wine may remap the window mid-drag
                pointer(x + 10 + (target[0] - x) * step // steps, y + 10 + (target[1] - y) * step // steps)
            run("xdotool", "mouseup", "1")
            within(lambda: app.geometry()[:2] == target, timeout=3)
        self.assertEqual(app.geometry()[:2], target, "the strip did not follow the pointer")
        self.assertEqual(app.close_with_alt_f4(), 0)
        self.assertEqual(app.read_ini(), b"[Main]\r\nMainX=320\r\nMainY=280\r\nTop=0\r\n")

    def test_right_click_opens_the_menu_at_the_pointer_and_left_click_never_does(self):
        app = self.launch()
        started = time.monotonic()
        click(400, 315, 3)
        menu = wait_until(app.menu_window, what="menu")
        delay = time.monotonic() - started
        self.assertEqual(geometry(menu)[:2], (400, 315))
        app.close_menu()

        click(350, 310, 1)
        click(360, 312, 1)
        # Long enough for a menu several times as slow as the one just seen.
        self.assertIsNone(within(app.menu_window, timeout=max(5 * delay, 3)))


class JapaneseText(AppTestCase):
    def test_menu_captions_draw_as_japanese_glyphs(self):
        """Each of the first two glyphs of "開始(&S)" is solid and they differ:
        missing glyphs would be identical hollow boxes."""
        app = self.launch()
        (x, y, w, _), menu_rows = app.open_menu(at=(320, 310))
        first = menu_rows[0]
        rows = pixels(x, y + first.top - 2, w, first.bottom - first.top + 5)
        ink = [[sum(p) < 200 for p in row] for row in rows]
        ink_rows = [r for r in range(len(ink)) if any(ink[r][4:])]
        ink_cols = [c for c in range(4, w) if any(ink[r][c] for r in range(len(ink)))]
        top, bottom, left = ink_rows[0], ink_rows[-1], ink_cols[0]
        size = bottom - top + 1
        cells = []
        for n in range(2):
            c0 = left + n * (size + 1)
            cells.append([[ink[r][c] for c in range(c0, c0 + size)] for r in range(top, bottom + 1)])
        for cell in cells:
            interior = sum(v for row in cell[3:-3] for v in row[3:-3])
            self.assertGreater(interior, 4, "a glyph has strokes inside its cell, a missing-glyph box has none")
        self.assertNotEqual(cells[0], cells[1])
        app.close_menu()


if __name__ == "__main__":
    unittest.main()
