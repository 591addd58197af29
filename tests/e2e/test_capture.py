"""Live capture through the default input: a PulseAudio null sink's monitor
fed with known signals, the bars read off the screen."""
import os
import subprocess
import sys
import time
import unittest

from harness import DESKTOP_DIR, ENV, PROBE, AppTestCase, pixels, press_return, probe_one, run, wait_until
from sound import Tone, expected_strip, level, meter_model, skins

# How long the program is starved of CPU: at 100 buffers a second, a few
# seconds already leave hundreds of them unserved.
STARVATION_SECONDS = float(os.environ.get("SONALIX_STARVATION_SECONDS", "5"))


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
        wait_until(showing(app, picture), timeout=timeout, interval=0.02, what="expected strip")


def strip(app):
    x, y, _, _ = app.geometry()
    return pixels(x, y, *meter_model.STRIP_SIZE)


def showing(app, picture):
    return lambda: strip(app) == picture


def not_showing(app, picture):
    return lambda: strip(app) != picture


class Levels(CaptureTestCase):
    def test_each_row_shows_its_channels_level_and_falls_to_zero_after_stop(self):
        app = self.launch()
        tone = self.tone(20, -5)  # amplitudes 20 and 5: levels 66 and 38
        steady = expected_strip(level(20), level(5))
        app.choose("開始(&S)", showing(app, steady), "the steady bars")
        app.choose("停止(&P)", not_showing(app, steady), "the bars falling although the tone goes on")
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
            box = app.choose("開始(&S)", lambda: probe_one("#32770", "エラー"), "the open error box")
            self.assertIn("waveInOpenに失敗しました: 2", box["texts"])
            press_return(wait_until(lambda: app.message_box("エラー"), what="the open error box on screen"),
                         lambda: probe_one("#32770", "エラー"), "the open error box")
        self.assertEqual(app.close_with_alt_f4(), 0)

    def test_capture_recovers_after_the_audio_server_goes_away_and_comes_back(self):
        app = self.launch()
        self.tone(30, 30)
        app.choose("開始(&S)", showing(app, expected_strip(level(30), level(30))), "the steady bars")
        for tone in self.tones:
            tone.stop()
        self.tones.clear()
        desktop("audio-off")
        try:
            # Nothing comes in any more: the bars and marks fall to rest.
            self.strip_is(app, skins()[0], timeout=4)
            app.choose("停止(&P)", None, "")
        finally:
            desktop("audio-on")
        self.tone(14, 40)
        steady = expected_strip(level(14), level(40))
        app.choose("開始(&S)", showing(app, steady), "the bars of the new tone", timeout=8)
        app.choose("停止(&P)", not_showing(app, steady), "the bars falling")
        self.assertEqual(app.close_with_alt_f4(), 0)


def mark_step(picture, row0):
    """The drawing step of a channel's peak mark, from the last lit column of
    its bar; 0 when nothing is lit."""
    main, y = skins()[0], row0 + meter_model.PART_HEIGHT // 2
    lit = [c for c in meter_model.BAR_X if picture[y][c] != main[y][c]]
    return (lit[-1] + 1 - meter_model.MARK_WIDTH - meter_model.TRACK_X) // 2 if lit else 0


def ticks_to_fall(step, top=66):
    """At least how many ticks a peak mark drawn at this step still needs to
    leave the strip, after falling from rest at `top` (0.006 units/tick²)."""
    fall = lambda n: 0.003 * n * (n - 1)
    done = max(n for n in range(400) if fall(n) <= top - (step - 1))  # the peak is at least step - 1
    total = min(n for n in range(400) if fall(n) > top - 1)  # gone once below 1
    return total - done


class Painting(CaptureTestCase):
    PAINTS = 140

    def test_each_paint_request_moves_the_bars_on_like_a_tick(self):
        """While the marks fall, a burst of paint requests, each painted
        before the next, must take them off the strip sooner than the 10 ms
        timer alone could in that time."""
        app = self.launch()
        handle = probe_one("TSNX_MAIN")["handle"]
        x, y, _, _ = app.geometry()
        steady = expected_strip(level(20), level(20))
        app.choose("開始(&S)", None, "")
        for _ in range(5):  # a machine too slow to tell gets another go
            tone = self.tone(20, 20)
            self.strip_is(app, steady)
            burst = subprocess.Popen(["wine", PROBE, "repaint", str(handle), str(self.PAINTS)], env=ENV,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     text=True)
            try:
                self.assertEqual(burst.stdout.readline().strip(), "ready")
                tone.stop()

                def falling():
                    taken = time.monotonic()
                    picture = pixels(x, y, *meter_model.STRIP_SIZE)
                    return picture != steady and (taken, picture)

                # The first picture of the fall, and a time no later than it.
                started, first = wait_until(falling, interval=0.005, what="the marks falling")
                needed = ticks_to_fall(mark_step(first, meter_model.ROWS[0]))
                burst.stdin.write("go\n")
                burst.stdin.flush()
                self.assertEqual(burst.stdout.readline().strip(), "done")
                after = pixels(x, y, *meter_model.STRIP_SIZE)
                timer_ticks = (time.monotonic() - started) / 0.010 + 1
            finally:
                _, errors = burst.communicate(timeout=60)
            self.assertEqual(burst.returncode, 0, errors)
            self.assertLess(needed, self.PAINTS)
            # (a comparison of the pictures themselves would print them whole)
            self.assertTrue(after == skins()[0], f"{self.PAINTS} paints left marks that needed {needed} ticks")
            if timer_ticks < needed:
                return
        self.fail("the machine was too slow each time to tell paints from ticks")


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
        idle = skins()[0]
        for _ in range(int(os.environ.get("SONALIX_EXIT_RUNS", "10"))):
            app = self.launch()
            app.choose("開始(&S)", not_showing(app, idle), "the bars moving")
            self.assertEqual(app.close_with_alt_f4(), 0)
            self.apps.remove(app)


if __name__ == "__main__":
    unittest.main()
