"""Native capture with an audio server that hangs, or that is gone when
capture starts and comes back (Wine's audio driver lists its devices once,
so only the native program can find a server that comes back). What capture
does on both platforms is in the scenarios (tests/e2e/scenarios)."""
import os
import signal
import unittest

from desk import DESKTOP_DIR, set_audio, wait_until
from native_app import NativeTestCase
from sound import Tone, expected_strip, level, skins

ERROR = "エラー"


class AudioServer(NativeTestCase):
    def dismiss_error(self, app):
        """Confirms the one error box there is; the program goes on."""
        boxes = wait_until(lambda: app.message_boxes(ERROR), what="the error box")
        self.assertEqual(len(boxes), 1)
        app.dismiss(boxes[0])
        self.assertIsNone(app.process.poll(), "the program ended")

    def test_a_server_gone_at_start_is_reported_and_start_works_once_it_is_back(self):
        app = self.launch()
        set_audio(False)
        try:
            app.choose("開始(&S)", lambda: app.message_box(ERROR), "the error box")
            self.dismiss_error(app)
            self.assertEqual(app.strip_pixels(), skins()[0])
        finally:
            set_audio(True)
        tone = Tone(20, 20)
        self.addCleanup(tone.stop)
        steady = expected_strip(level(20), level(20))
        app.choose("開始(&S)", lambda: app.strip_pixels() == steady, "the bars after the server came back")
        self.assertEqual(app.exit(), 0)

    def test_a_hanging_server_is_reported_and_the_strip_goes_on(self):
        # That Start never waits for the server is the capture's own test,
        # where it can be told: here the attempt's limit (2 s) is shorter than
        # a loaded machine may take to open a menu, so its box may come first.
        app = self.launch()
        with open(os.path.join(DESKTOP_DIR, "audio.pids")) as f:
            server = int(f.readline())
        os.kill(server, signal.SIGSTOP)
        try:
            app.choose("開始(&S)", lambda: app.message_box(ERROR), "the error box")
            self.dismiss_error(app)
            app.open_menu()
            app.close_menu()
        finally:
            os.kill(server, signal.SIGCONT)
        self.assertEqual(app.exit(), 0)

if __name__ == "__main__":
    unittest.main()
