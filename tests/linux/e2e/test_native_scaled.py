"""The strip on a screen that GTK scales by 2: each skin pixel a 2 x 2 block,
idle and showing a steady tone, with the settings still in logical pixels."""
import unittest

from desk import pixels, wait_until
from native_app import NativeTestCase
from sound import Tone, expected_strip, level, skins

SCALE = 2


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
        app = self.launch(ini="[Main]\nMainX=100\nMainY=150\nTop=0\n", env={"GDK_SCALE": str(SCALE)})
        x, y, w, h = app.geometry()
        self.assertEqual((x, y), (100 * SCALE, 150 * SCALE))

        def shows(picture):
            return lambda: pixels(x, y, w, h) == picture

        wait_until(shows(doubled(skins()[0])), what="the idle skin doubled")
        self.tone = Tone(20, -5)  # levels 66 and 38
        app.choose("開始(&S)", shows(doubled(expected_strip(level(20), level(5)))), "the steady bars doubled")
        self.assertEqual(app.exit(), 0)
        self.assertEqual(app.read_ini(), b"[Main]\nMainX=100\nMainY=150\nTop=0\n")


if __name__ == "__main__":
    unittest.main()
