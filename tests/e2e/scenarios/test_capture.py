"""Live capture through the default input: a PulseAudio null sink's monitor
fed with known tones and the bars read off the screen, the audio server
missing, taken away and brought back, and the program starved of CPU."""
import os
import subprocess
import sys
import time
import unittest

from desk import REACTION, run, set_audio, wait_until
from driver import DriverTestCase
from sound import Tone, expected_strip, level, skins

ERROR = "エラー"
# How long the program is starved of CPU: at 100 buffers a second, a few
# seconds already leave hundreds of them unserved.
STARVATION_SECONDS = float(os.environ.get("SONALIX_STARVATION_SECONDS", "5"))


def showing(app, picture):
    return lambda: app.strip_pixels() == picture


def not_showing(app, picture):
    return lambda: app.strip_pixels() != picture


class CaptureTestCase(DriverTestCase):
    def setUp(self):
        super().setUp()
        self.tones = []
        self.audio_off = False

    def tearDown(self):
        self.stop_tones()
        if self.audio_off:
            self.audio(True)
        super().tearDown()

    def tone(self, left, right, sink="vsink"):
        t = Tone(left, right, sink)
        self.tones.append(t)
        return t

    def stop_tones(self):
        for tone in self.tones:
            tone.stop()
        self.tones.clear()

    def audio(self, on):
        """Brings the desktop's audio server back, or takes it away."""
        set_audio(on)
        self.audio_off = not on

    def strip_is(self, app, picture, timeout=REACTION):
        wait_until(showing(app, picture), timeout=timeout, interval=0.02, what="the expected strip")

    def dismiss_error(self, app, text=None):
        """Confirms the one error box there is (a second would stay, and hold
        up what follows), checking its text where the platform can read it;
        the program goes on."""
        boxes = wait_until(lambda: app.message_boxes(ERROR), what="the error box")
        self.assertEqual(len(boxes), 1)
        if text and app.READS_TEXTS:
            self.assertIn(text, app.box_texts(ERROR))
        app.dismiss(boxes[0])
        self.assertIsNone(app.process.poll(), "the program ended")


class Levels(CaptureTestCase):
    def test_each_row_shows_its_channels_level_and_falls_to_zero_after_stop(self):
        app = self.launch()
        self.tone(20, -5)  # amplitudes 20 and 5: levels 66 and 38
        steady = expected_strip(level(20), level(5))
        app.choose("開始(&S)", showing(app, steady), "the steady bars")
        # The tone goes on: the bars fall all the same.
        app.choose("停止(&P)", not_showing(app, steady), "the bars falling")
        self.strip_is(app, skins()[0])
        self.assertEqual(app.request_close(), 0)


class AudioServer(CaptureTestCase):
    def test_no_audio_server_reports_the_open_error_each_time(self):
        app = self.launch(env={"PULSE_SERVER": "unix:/nonexistent"})  # the program sees no server at all
        for _ in range(2):
            app.choose("開始(&S)", lambda: app.message_box(ERROR), "the open error box")
            self.dismiss_error(app, "waveInOpenに失敗しました: 2")
            self.assertEqual(app.strip_pixels(), skins()[0])
        self.assertEqual(app.request_close(), 0)

    def test_a_server_lost_while_capturing_leaves_the_bars_at_rest_and_stop_and_start_recover(self):
        app = self.launch()
        self.tone(30, 30)
        app.choose("開始(&S)", showing(app, expected_strip(level(30), level(30))), "the steady bars")
        self.stop_tones()
        self.audio(False)
        if app.REPORTS_LOST_AUDIO:
            self.dismiss_error(app)
        # Nothing comes in any more: the bars and marks fall to rest.
        self.strip_is(app, skins()[0])
        app.choose("停止(&P)", None, "")

        self.audio(True)
        self.tone(14, 40)
        steady = expected_strip(level(14), level(40))
        app.choose("開始(&S)", showing(app, steady), "the bars of the new tone")
        app.choose("停止(&P)", not_showing(app, steady), "the bars falling")
        self.assertEqual(app.request_close(), 0)


def process_tree(pid):
    """A process and all its descendants."""
    pids = [pid]
    for child in run("pgrep", "-P", str(pid), check=False).split():
        pids += process_tree(int(child))
    return pids


def lowest_priority(pid):
    """Every thread of the program at nice 19 (on Linux a nice value belongs
    to a thread; threads started later inherit it)."""
    for process in process_tree(pid):
        try:
            threads = os.listdir(f"/proc/{process}/task")
        except FileNotFoundError:
            continue
        for thread in threads:
            try:
                os.setpriority(os.PRIO_PROCESS, int(thread), 19)
            except ProcessLookupError:
                pass


class Starvation(CaptureTestCase):
    def test_capture_starved_of_cpu_still_shows_a_steady_tone_exactly_afterwards(self):
        app = self.launch()
        tone = self.tone(20, -5)
        expected = expected_strip(level(20), level(5))
        app.choose("開始(&S)", showing(app, expected), "the tone's levels")
        lowest_priority(app.process.pid)
        # Busy loops at this runner's priority, above the program's, two per core.
        loops = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2 * os.cpu_count())]
        try:
            time.sleep(STARVATION_SECONDS)
        finally:
            for loop in loops:
                loop.kill()
                loop.wait()
        self.strip_is(app, expected)
        # The levels above could still be held from before; a louder tone on
        # both channels shows only while buffers keep coming.
        tone.stop()
        self.tones.remove(tone)
        self.tone(30, 30)
        self.strip_is(app, expected_strip(level(30), level(30)))
        self.assertEqual(app.request_close(), 0)


class Robustness(CaptureTestCase):
    def test_exits_while_capturing_end_cleanly(self):
        self.tone(25, 25)
        idle = skins()[0]
        for _ in range(int(os.environ.get("SONALIX_EXIT_RUNS", "10"))):
            app = self.launch()
            app.choose("開始(&S)", not_showing(app, idle), "the bars moving")
            self.assertEqual(app.request_close(), 0)


if __name__ == "__main__":
    unittest.main()
