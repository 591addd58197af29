"""A stopped strip whose bars have fallen rests: its process wakes no more
until Start, which lights the lamps again."""
import os
import sys
import time
import unittest

from desk import ENV, REACTION, within
from native_app import NativeTestCase
from sound import Tone, meter_model, skins

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "bench"))
from measure import Screen, between, thread_wakeups  # noqa: E402


def steady(pid, seconds):
    """True once the process has not woken for `seconds` in a row."""
    before = thread_wakeups(pid)
    time.sleep(seconds)
    return between(before, thread_wakeups(pid)) == 0


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

    def test_after_stop_and_the_fall_it_wakes_no_more_and_start_lights_the_lamps_again(self):
        app = self.launch()
        tone = Tone(20, 20)
        self.addCleanup(tone.stop)
        point, unlit = self.lamp(app)
        lit = lambda: self.screen.pixel(*point) != unlit  # noqa: E731
        app.choose("開始(&S)", lit, "the lamp lit")
        for _ in range(2):
            app.choose("停止(&P)", lambda: self.screen.pixel(*point) == unlit, "the lamp out")
            # The fall takes about two seconds of ticks, later on a loaded
            # machine; the limit only bounds a strip that never rests.
            self.assertTrue(within(lambda: steady(app.process.pid, 1), timeout=REACTION),
                            "the stopped strip kept waking after its bars fell")
            self.assertTrue(steady(app.process.pid, 5), "the resting strip woke")
            # Nothing but Start's own timer can light the lamp of a resting strip.
            app.choose("開始(&S)", lit, "the lamp lit after a rest")
        self.assertEqual(app.exit(), 0)


if __name__ == "__main__":
    unittest.main()
