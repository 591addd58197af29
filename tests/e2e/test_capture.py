"""Live capture through the default input: a PulseAudio null sink's monitor
fed with known signals, the bars read off the screen."""
import math
import os
import subprocess
import sys
import threading
import time
import unittest

from harness import (BIN_DIR, DESKTOP_DIR, ENV, AppTestCase, bmp_pixels, key, pixels, probe_one, run, wait_until)

MAIN = None
PARTS = None
# How long the program is starved of CPU; a short value makes a quick run.
STARVATION_SECONDS = float(os.environ.get("SONALIX_STARVATION_SECONDS", "60"))


def skins():
    global MAIN, PARTS
    if MAIN is None:
        MAIN = bmp_pixels(os.path.join(BIN_DIR, "DATA", "MAIN.BMP"))
        PARTS = bmp_pixels(os.path.join(BIN_DIR, "DATA", "PARTS.BMP"))
    return MAIN, PARTS


def level(amplitude):
    """The tests use amplitudes whose level is even: between two buffers the
    bar may sink by 0.4, and only an even level keeps its drawing step then."""
    value = int(50 * math.log10(amplitude + 1))
    assert value % 2 == 0, f"amplitude {amplitude} gives the odd level {value}"
    return value


def step(value):
    s = int(value)
    return s + 1 if s % 2 else s


def expected_strip(left_level, right_level):
    """The strip for steady levels: lamp, bar and peak mark from the parts skin."""
    main, parts = skins()
    picture = [list(row) for row in main]
    for row0, lvl in ((1, left_level), (17, right_level)):
        if lvl > 1:
            for y in range(8):
                picture[row0 + y][1:17] = parts[1 + y][1:17]
        lit = 2 * step(lvl) + (2 if step(lvl) > 1 else 0)  # bar, then the mark right after it
        for y in range(8):
            picture[row0 + y][19:19 + lit] = parts[1 + y][19:19 + lit]
    return picture


class Tone:
    """Plays steady 16-bit stereo frames into the null sink; the capture side
    reads them as 8-bit, so a 16-bit value v arrives as 128 + v / 256."""

    def __init__(self, left, right):
        frame = int(left * 256).to_bytes(2, "little", signed=True) + int(right * 256).to_bytes(2, "little", signed=True)
        self.chunk = frame * 441  # 10 ms
        self.player = subprocess.Popen(["pacat", "-p", "-d", "vsink", "--latency-msec=10"], env=ENV,
                                       stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.running = True
        self.thread = threading.Thread(target=self._feed, daemon=True)
        self.thread.start()

    def _feed(self):
        next_time = time.monotonic()
        try:
            while self.running:
                self.player.stdin.write(self.chunk)
                self.player.stdin.flush()
                next_time += 0.01
                time.sleep(max(0.0, next_time - time.monotonic()))
        except (BrokenPipeError, ValueError):
            pass

    def stop(self):
        self.running = False
        self.thread.join()
        self.player.terminate()
        self.player.wait()


def desktop(command):
    run(os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "desktop.sh"), command, DESKTOP_DIR, timeout=30)


class CaptureTestCase(AppTestCase):
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

    def strip_is(self, app, picture, timeout=5):
        x, y, _, _ = app.geometry()
        wait_until(lambda: pixels(x, y, 274, 26) == picture, timeout=timeout, interval=0.02, what="expected strip")


class Levels(CaptureTestCase):
    def test_each_row_shows_its_channels_level_and_falls_to_zero_after_stop(self):
        app = self.launch()
        tone = self.tone(20, -5)  # amplitudes 20 and 5: levels 66 and 38
        app.choose("s")
        self.strip_is(app, expected_strip(level(20), level(5)))
        app.choose("p")
        tone.stop()
        self.strip_is(app, skins()[0], timeout=4)  # the peak marks take just under two seconds
        self.assertEqual(app.close_with_alt_f4(), 0)


class AudioServerTrouble(CaptureTestCase):
    def test_no_audio_server_reports_the_open_error_each_time(self):
        saved = ENV.get("PULSE_SERVER")
        ENV["PULSE_SERVER"] = "unix:/nonexistent"  # this process sees no server at all
        try:
            app = self.launch()
        finally:
            if saved is None:
                del ENV["PULSE_SERVER"]
            else:
                ENV["PULSE_SERVER"] = saved
        for _ in range(2):
            app.choose("s")
            box = wait_until(lambda: probe_one("#32770", "エラー"), what="open error box")
            self.assertIn("waveInOpenに失敗しました: 2", box["texts"])
            key("Return")
            wait_until(lambda: probe_one("#32770", "エラー") is None, what="box closed")
        self.assertEqual(app.close_with_alt_f4(), 0)

    def test_capture_recovers_after_the_audio_server_goes_away_and_comes_back(self):
        app = self.launch()
        self.tone(30, 30)
        app.choose("s")
        self.strip_is(app, expected_strip(level(30), level(30)))
        for tone in self.tones:
            tone.stop()
        self.tones.clear()
        desktop("audio-off")
        try:
            time.sleep(1)
            app.choose("p")
            self.strip_is(app, skins()[0], timeout=4)
        finally:
            desktop("audio-on")
        self.tone(14, 40)
        app.choose("s")
        self.strip_is(app, expected_strip(level(14), level(40)), timeout=8)
        app.choose("p")
        self.assertEqual(app.close_with_alt_f4(), 0)


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
        app.choose("s")
        expected = expected_strip(level(20), level(5))
        self.strip_is(app, expected)
        lowest_priority(app.process.pid)
        # Busy loops at this runner's priority, above the program's, two per core.
        loops = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2 * os.cpu_count())]
        try:
            time.sleep(STARVATION_SECONDS)
        finally:
            for loop in loops:
                loop.kill()
                loop.wait()
        self.strip_is(app, expected, timeout=15)
        # The levels above could still be held from before; a louder tone on
        # both channels shows only while buffers keep coming.
        tone.stop()
        self.tones.remove(tone)
        self.tone(30, 30)
        self.strip_is(app, expected_strip(level(30), level(30)), timeout=15)
        self.assertEqual(app.close_with_alt_f4(), 0)


class Robustness(CaptureTestCase):
    def test_exits_while_capturing_end_cleanly(self):
        self.tone(25, 25)
        for _ in range(int(os.environ.get("SONALIX_EXIT_RUNS", "50"))):
            app = self.launch()
            app.choose("s")
            time.sleep(0.1)
            self.assertEqual(app.close_with_alt_f4(), 0)
            self.apps.remove(app)


if __name__ == "__main__":
    unittest.main()
