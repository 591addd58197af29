"""The strip on a screen that GTK scales by 2: each skin pixel a 2 x 2 block,
idle and showing a steady tone, with the settings still in logical pixels."""
import unittest

from desk import geometry_or_none, pixels, visible_windows, wait_until
from native_app import TITLE, NativeApp, NativeTestCase
from sound import Tone, expected_strip, level, skins

SCALE = 2


class ScaledApp(NativeApp):
    """The program with GTK's scale factor at SCALE: its strip is SCALE
    times as large in device pixels."""

    def __init__(self, ini):
        super().__init__(ini=ini)
        self.env["GDK_SCALE"] = str(SCALE)

    def _strip(self):
        for w in visible_windows(name="^" + TITLE + "$"):
            if (geometry_or_none(w) or ())[2:] == (274 * SCALE, 26 * SCALE):
                return w
        return None


def doubled(picture):
    """Each pixel of a picture as a SCALE x SCALE block."""
    return [[p for p in row for _ in range(SCALE)] for row in picture for _ in range(SCALE)]


class ScaledStrip(NativeTestCase):
    def setUp(self):
        super().setUp()
        self.tone = None

    def tearDown(self):
        if self.tone:
            self.tone.stop()
        super().tearDown()

    def test_idle_and_level_pictures_are_the_skins_doubled_and_the_place_is_saved_unscaled(self):
        app = ScaledApp("[Main]\nMainX=100\nMainY=150\nTop=0\n")
        self.apps.append(app)
        app.start()
        x, y, w, h = app.geometry()
        self.assertEqual((x, y), (100 * SCALE, 150 * SCALE))

        def shows(picture):
            return lambda: pixels(x, y, w, h) == picture

        wait_until(shows(doubled(skins()[0])), timeout=5, what="the idle skin doubled")
        self.tone = Tone(20, -5)  # levels 66 and 38
        app.choose("開始(&S)", shows(doubled(expected_strip(level(20), level(5)))), "the steady bars doubled")
        self.assertEqual(app.exit(), 0)
        self.assertEqual(app.read_ini(), b"[Main]\nMainX=100\nMainY=150\nTop=0\n")


if __name__ == "__main__":
    unittest.main()
