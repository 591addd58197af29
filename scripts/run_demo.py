#!/usr/bin/env python3
"""The demonstration scripts/run.sh gives without a display, on the virtual
desktop it started: Sonalix capturing a tone louder on the left than on the
right, a screenshot of the strip, and Enter ends it.

Usage: run_demo.py [--native] DESKTOP_DIR BIN_DIR SCREENSHOT
(--native: the native Linux program on a desktop started with --native;
otherwise Sonalix.exe under Wine)
Exit status: the program's own at its end; 1 when the strip never appears or
capture never lights the lamps (with a message saying which)."""
import os
import shutil
import subprocess
import sys
import tempfile

NATIVE = sys.argv[1:2] == ["--native"]
os.environ["SONALIX_DESKTOP_DIR"], os.environ["SONALIX_BIN_DIR"], SHOT = sys.argv[1 + NATIVE:4 + NATIVE]
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path[:0] = [os.path.join(ROOT, "tests", "e2e"), os.path.join(ROOT, "tools")]
import harness  # noqa: E402  (reads the desktop's environment when imported)
import meter_model  # noqa: E402
import native_app  # noqa: E402

# Rows of the two channels on the strip, its lamps and the first three steps of the bars.
ROWS = meter_model.ROWS
LAMP = (meter_model.LAMP_X.start, meter_model.LAMP_X.stop)
BAR = (meter_model.TRACK_X, meter_model.step_x(6))


class Failure(Exception):
    """Why the demonstration cannot go on."""


class Tone:
    """440 Hz into the desktop's null sink, 0.9 of full scale left and 0.2 right."""

    def __init__(self):
        self.source = subprocess.Popen(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed", "-t", "raw", "-",
                                        "synth", "86400", "sine", "440", "remix", "1v0.9", "1v0.2"],
                                       env=harness.ENV, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.player = subprocess.Popen(["pacat", "-p", "-d", "vsink", "--format=s16le", "--channels=2", "--rate=44100"],
                                       env=harness.ENV, stdin=self.source.stdout, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        self.source.stdout.close()

    def stop(self):
        for process in (self.player, self.source):
            process.kill()
            process.wait()


def unlit(picture, idle):
    """What of the lamps and bars still shows the idle skin ([] when all is lit)."""
    missing = []
    for channel, row in zip(("left", "right"), ROWS):
        for part, (first, last) in (("lamp", LAMP), ("bar", BAR)):
            cells = lambda rows: [line[first:last] for line in rows[row + 1:row + 7]]
            if cells(picture) == cells(idle):
                missing.append(f"{channel} {part}")
    return missing


def png_pixels(path, width, height):
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return [[tuple(raw[(r * width + c) * 3:(r * width + c) * 3 + 3]) for c in range(width)] for r in range(height)]


def start_capture(app, idle):
    """Start from the menu, confirmed by lit lamps (the harness clicks the row
    again if a click was lost)."""
    x, y, w, h = app.geometry()
    try:
        app.choose("開始(&S)", lambda: not unlit(harness.pixels(x, y, w, h), idle), "lit lamps")
    except AssertionError:
        raise Failure("capture never lit the strip's lamps") from None


def take_screenshot(app, idle):
    """Saves the strip and checks the saved file itself shows it capturing."""
    x, y, w, h = app.geometry()
    for _ in range(20):
        harness.screenshot(SHOT, x, y, w, h)
        if not unlit(png_pixels(SHOT, w, h), idle):
            return
    raise Failure("capture runs, but no screenshot showed the lamps and bars lit")


def end(app):
    """Exit from the menu; the system's close request if that fails."""
    try:
        app.choose("終了(&X)", lambda: app.process.poll() is not None, "the program to end")
        return app.wait_exit(timeout=10)
    except (AssertionError, subprocess.TimeoutExpired):
        return app.request_close()


def main():
    folder = tempfile.mkdtemp(prefix="run-", dir=os.environ["SONALIX_DESKTOP_DIR"])
    app = native_app.NativeApp(folder=folder) if NATIVE else harness.WineApp(folder=folder)
    tone = None
    try:
        try:
            app.start()
        except AssertionError:
            raise Failure(f"the Sonalix {'strip' if app.window is None else 'tray icon'} never appeared") from None
        idle = harness.bmp_pixels(os.path.join(os.environ["SONALIX_BIN_DIR"], "DATA", "MAIN.BMP"))
        tone = Tone()
        start_capture(app, idle)
        take_screenshot(app, idle)
        print(f"Sonalix is running on the virtual display {harness.ENV['DISPLAY']}, capturing a test tone.")
        print(f"Screenshot of the strip: {SHOT}")
        print("Press Enter to end it.", flush=True)
        sys.stdin.readline()
        tone.stop()
        tone = None
        return end(app)
    except Failure as failure:
        print(f"run.sh: {failure}", file=sys.stderr)
        return 1
    finally:
        if tone:
            tone.stop()
        app.kill()
        shutil.rmtree(app.folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
