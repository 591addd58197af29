"""The README's first command on a machine without a display: scripts/run.sh
starts a virtual desktop, shows the strip capturing a tone, saves a
screenshot, and Enter ends everything it started."""
import os
import queue
import re
import signal
import subprocess
import sys
import threading
import time
import unittest

from harness import BIN_DIR, REACTION, bmp_pixels

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import meter_model  # noqa: E402

RUN_DESKTOP = os.path.join(ROOT, "build", "run-desktop")


def png_pixels(path, width, height):
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return [[tuple(raw[(r * width + c) * 3:(r * width + c) * 3 + 3]) for c in range(width)] for r in range(height)]


def servers_of(prefix):
    """Wine servers still serving the prefix."""
    found = []
    for pid in subprocess.run(["pgrep", "-x", "wineserver(32|64)?"], capture_output=True, text=True).stdout.split():
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if b"WINEPREFIX=" + prefix.encode() in f.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            pass
    return found


class RunWithoutDisplay(unittest.TestCase):
    ARGS = []  # run.sh's own: the native program's run reuses this test
    DESKTOP = RUN_DESKTOP
    SCREENSHOT_NAME = "sonalix-screenshot.png"

    def setUp(self):
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        # The run's own setup step only checks: a test never installs or
        # reaches the network.
        env["SONALIX_SETUP_CHECK_ONLY"] = "1"
        self.started = time.time()
        self.script = subprocess.Popen([os.path.join(ROOT, "scripts", "run.sh"), *self.ARGS], env=env,
                                       stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                       start_new_session=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.script.stdout:
            self.lines.put(line)
        self.lines.put(None)

    def tearDown(self):
        if self.script.poll() is None:
            os.killpg(self.script.pid, signal.SIGKILL)
            self.script.wait()
            subprocess.run([os.path.join(ROOT, "scripts", "desktop.sh"), "stop", self.DESKTOP], check=False,
                           capture_output=True)
        self.script.stdin.close()
        self.script.stdout.close()

    def output_until(self, text, timeout):
        seen = ""
        deadline = time.monotonic() + timeout
        while text not in seen:
            try:
                line = self.lines.get(timeout=max(0.1, deadline - time.monotonic()))
            except queue.Empty:
                self.fail(f"no {text!r} within {timeout} s; output:\n{seen}")
            if line is None:
                self.fail(f"run.sh ended ({self.script.wait()}) before {text!r}; output:\n{seen}")
            seen += line
        return seen

    def test_shows_the_strip_capturing_and_enter_ends_everything(self):
        said = self.output_until("Press Enter to end it.", timeout=400)
        self.assertIn("setup.sh: all packages present", said)
        shot = re.search(r"Screenshot of the strip: (\S+)", said).group(1)
        display = re.search(r"virtual display :(\d+)", said).group(1)
        self.assertEqual(shot, os.path.join(ROOT, "build", self.SCREENSHOT_NAME))
        self.assertGreaterEqual(os.path.getmtime(shot), self.started)
        # Lamps and the first cells of both bars show the lit parts, not the idle skin.
        picture, idle = png_pixels(shot, *meter_model.STRIP_SIZE), bmp_pixels(os.path.join(BIN_DIR, "DATA", "MAIN.BMP"))
        lamp = (meter_model.LAMP_X.start, meter_model.LAMP_X.stop)
        first_steps = (meter_model.TRACK_X, meter_model.step_x(6))
        for row in meter_model.ROWS:
            for first, last in (lamp, first_steps):
                with self.subTest(row=row, columns=(first, last)):
                    shown = [line[first:last] for line in picture[row + 1:row + 7]]
                    self.assertTrue(shown != [line[first:last] for line in idle[row + 1:row + 7]], "the idle skin")

        self.script.stdin.write("\n")
        self.script.stdin.flush()
        # Enter ends the program, Wine's servers and the desktop; the limit
        # only bounds a run.sh that never ends.
        self.assertEqual(self.script.wait(timeout=REACTION), 0)
        self.assertFalse(os.path.exists(f"/tmp/.X{display}-lock"), "the virtual display is still running")
        self.assert_no_program_servers()
        self.assertFalse(os.path.exists(os.path.join(self.DESKTOP, "pids")))

    def assert_no_program_servers(self):
        self.assertEqual(servers_of(os.path.join(self.DESKTOP, "wineprefix")), [])


if __name__ == "__main__":
    unittest.main()
