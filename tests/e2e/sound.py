"""Known sound for the end-to-end tests: steady tones played into the test
desktop's null sink, and the strip that the meter's model draws for them."""
import math
import os
import subprocess
import sys
import threading
import time

from desk import ENV, bmp_pixels

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import meter_model  # noqa: E402

BIN_DIR = os.environ.get("SONALIX_BIN_DIR", "")

MAIN = None
PARTS = None


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


def expected_strip(left_level, right_level):
    """The strip for steady levels, each peak mark right after its bar."""
    return meter_model.picture(*skins(), ((left_level, left_level), (right_level, right_level)))


class Tone:
    """Plays steady 16-bit stereo frames into a null sink, the default
    input's unless told another; the capture side reads them as 8-bit, so a
    16-bit value v arrives as 128 + v / 256."""

    def __init__(self, left, right, sink="vsink"):
        frame = int(left * 256).to_bytes(2, "little", signed=True) + int(right * 256).to_bytes(2, "little", signed=True)
        self.chunk = frame * 441  # 10 ms
        self.player = subprocess.Popen(["pacat", "-p", "-d", sink, "--latency-msec=10"], env=ENV,
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
        try:
            self.player.stdin.close()
        except BrokenPipeError:
            pass
