"""Live capture through PulseAudio's default source: the test desktop's null
sink fed with known tones and the bars read off the screen, and the audio
server taken away and brought back."""
import os
import signal
import unittest

from desk import DESKTOP_DIR, pixels, run, visible_windows, wait_until, within
from native_app import NativeTestCase
from sound import Tone, expected_strip, level, meter_model, skins

ERROR_BOX = "^エラー$"


def desktop(command):
    run(os.path.join(os.path.dirname(__file__), "..", "..", "..", "scripts", "desktop.sh"), command, DESKTOP_DIR,
        timeout=30)


def strip(app):
    x, y, _, _ = app.geometry()
    return pixels(x, y, *meter_model.STRIP_SIZE)


class CaptureTestCase(NativeTestCase):
    def setUp(self):
        super().setUp()
        self.tones = []

    def tearDown(self):
        for tone in self.tones:
            tone.stop()
        super().tearDown()

    def tone(self, left, right):
        t = Tone(left, right)
        self.tones.append(t)
        return t

    def showing(self, app, picture, timeout=5):
        wait_until(lambda: strip(app) == picture, timeout=timeout, interval=0.02, what="the expected strip")

    def dismiss_error(self, app):
        """Confirms the one error box there is, again while it stays (a key
        sent while it takes the focus can be lost); the program must still be
        running. A second box would stay, and hold up what follows."""
        boxes = wait_until(lambda: visible_windows(name=ERROR_BOX), what="the error box")
        self.assertEqual(len(boxes), 1)
        for _ in range(5):
            run("xdotool", "windowfocus", "--sync", str(boxes[0]), check=False)
            run("xdotool", "key", "Return")
            if within(lambda: boxes[0] not in visible_windows(name=ERROR_BOX), timeout=5):
                break
        self.assertIsNone(app.process.poll(), "the program ended")


class Levels(CaptureTestCase):
    def test_each_row_shows_its_channels_level_and_falls_to_zero_after_stop(self):
        app = self.launch()
        self.tone(20, -5)  # amplitudes 20 and 5: levels 66 and 38
        steady = expected_strip(level(20), level(5))
        app.choose("開始(&S)", lambda: strip(app) == steady, "the steady bars")
        app.choose("停止(&P)", None, "")
        self.showing(app, skins()[0], timeout=10)
        self.assertEqual(app.exit(), 0)


class AudioServer(CaptureTestCase):
    def tearDown(self):
        desktop("audio-on")
        super().tearDown()

    def test_no_server_is_reported_and_start_works_once_it_is_back(self):
        app = self.launch()
        desktop("audio-off")
        app.choose("開始(&S)", lambda: visible_windows(name=ERROR_BOX), "the error box")
        self.dismiss_error(app)
        self.assertEqual(strip(app), skins()[0])

        desktop("audio-on")
        self.tone(20, 20)
        steady = expected_strip(level(20), level(20))
        app.choose("開始(&S)", lambda: strip(app) == steady, "the bars after the server came back")
        self.assertEqual(app.exit(), 0)

    def test_a_hanging_server_holds_up_the_strip_no_more_than_an_idle_one(self):
        app = self.launch()
        with open(os.path.join(DESKTOP_DIR, "audio.pids")) as f:
            server = int(f.readline())
        os.kill(server, signal.SIGSTOP)
        try:
            app.choose("開始(&S)", None, "")
            # The attempt waits a while for the server; the strip answers meanwhile.
            app.open_menu()
            self.assertEqual(visible_windows(name=ERROR_BOX), [], "the box came before the strip answered")
            app.close_menu()
            self.dismiss_error(app)
        finally:
            os.kill(server, signal.SIGCONT)
        self.assertEqual(app.exit(), 0)

    def test_a_server_lost_while_capturing_is_reported_and_stop_and_start_recover(self):
        app = self.launch()
        self.tone(20, 20)
        steady = expected_strip(level(20), level(20))
        app.choose("開始(&S)", lambda: strip(app) == steady, "the steady bars")
        desktop("audio-off")
        self.dismiss_error(app)
        self.showing(app, skins()[0], timeout=10)

        desktop("audio-on")
        self.tone(20, 20)
        app.choose("停止(&P)", None, "")
        app.choose("開始(&S)", lambda: strip(app) == steady, "the bars after the server came back")
        self.assertEqual(app.exit(), 0)


if __name__ == "__main__":
    unittest.main()
