"""A stopped strip whose bars have fallen rests: its process wakes no more
until Start, which lights the lamps as promptly as a strip that never
rested."""
import glob
import os
import sys
import time
import unittest

from desk import ENV, MENU_ITEMS, click, within, wait_until
from native_app import NativeTestCase
from sound import Tone, meter_model, skins

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "bench"))
from measure import Screen, wakeups  # noqa: E402


def steady(pid, seconds):
    """True once the process has not woken for `seconds` in a row."""
    before = wakeups(pid)
    time.sleep(seconds)
    return wakeups(pid) == before


class Rest(NativeTestCase):
    def setUp(self):
        super().setUp()
        self.screen = Screen(ENV["DISPLAY"])

    def lamp(self, app):
        """The left lamp's first pixel on the screen, and how it looks unlit."""
        x, y, _, _ = app.geometry()
        column, row = meter_model.LAMP_X.start + 2, meter_model.ROWS[0] + 2
        main, _ = skins()
        return (x + column, y + row), main[row][column]

    def start_and_time_the_lamp(self, app, point, unlit):
        """Seconds from the click on Start to the lit lamp; the click again
        when the menu stayed open (the program never saw it)."""
        (x, y, w, _), rows = app.open_menu()
        row = rows[MENU_ITEMS.index("開始(&S)")]
        for _ in range(5):
            click(x + w // 2, y + (row.top + row.bottom) // 2)
            clicked = time.monotonic()
            while time.monotonic() - clicked < 5:
                if self.screen.pixel(*point) != unlit:
                    return time.monotonic() - clicked
                time.sleep(0.001)
            if app.menu_window() is None:
                self.fail("the lamp never lit after Start")
        self.fail("the menu stayed open after clicks on Start")

    def test_after_stop_and_the_fall_it_wakes_no_more_and_start_lights_the_lamps_within_100_ms(self):
        app = self.launch()
        tone = Tone(20, 20)
        self.addCleanup(tone.stop)
        point, unlit = self.lamp(app)
        lit = lambda: self.screen.pixel(*point) != unlit  # noqa: E731
        app.choose("開始(&S)", lit, "the lamp lit")
        delays = []
        # A loaded machine can hold up one Start; a strip that does not wake
        # on Start holds up every one.
        for _ in range(3):
            app.choose("停止(&P)", lambda: self.screen.pixel(*point) == unlit, "the lamp out", timeout=10)
            self.assertTrue(within(lambda: steady(app.process.pid, 1), timeout=15),
                            "the stopped strip kept waking after its bars fell")
            self.assertTrue(steady(app.process.pid, 5), "the resting strip woke")
            delays.append(self.start_and_time_the_lamp(app, point, unlit))
            if delays[-1] <= 0.1:
                break
            wait_until(lit, what="the lamp lit")
        self.assertLessEqual(min(delays), 0.1, f"Start to lit lamp: {delays}")
        self.assertEqual(app.exit(), 0)


if __name__ == "__main__":
    unittest.main()
