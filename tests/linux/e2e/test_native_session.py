"""How a session ends the native program other than by its Exit: a signal at
logout or from a terminal, the X server going away, and no display at all."""
import os
import signal
import subprocess
import unittest

from desk import ENV, run, wait_until, within
from native_app import BIN_DIR, NativeTestCase


def ini(left, top):
    return f"[Main]\nMainX={left}\nMainY={top}\nTop=0\n".encode()


class Signals(NativeTestCase):
    def test_a_signal_is_a_close_request_that_saves_a_moved_strip_and_ends_with_status_0(self):
        for sent in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=sent.name):
                app = self.launch(ini=ini(100, 400), tray=False)
                run("xdotool", "mousemove", "110", "410", "mousedown", "1")
                for step in range(1, 6):
                    run("xdotool", "mousemove", str(110 + 10 * step), "410")
                run("xdotool", "mouseup", "1")
                wait_until(lambda: app.geometry()[:2] == (150, 400), what="the strip at its new place")
                app.process.send_signal(sent)
                self.assertEqual(app.wait_exit(), 0)
                self.assertEqual(app.read_ini(), ini(150, 400))


def unserved_display():
    """A display that no X server on this machine serves: other runs start
    servers of their own on numbers of their choosing."""
    number = next(n for n in range(200, 1000)
                  if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{n}"))
    return f":{number}"


class Display(NativeTestCase):
    def test_a_display_that_goes_away_ends_the_program_with_its_settings_saved(self):
        display = self.bare_display()
        app = self.launch(env={"DISPLAY": display.name}, tray=False)
        display.stop()
        self.assertEqual(app.wait_exit(), 1)
        self.assertEqual(app.read_ini(), ini(300, 300))
        self.assertIn("lost the connection to the X display " + display.name, app.output())

    def test_without_a_display_one_line_names_what_is_missing_and_the_status_is_1(self):
        program = os.path.join(BIN_DIR, "sonalix")
        unserved = unserved_display()
        for display, said in ((None, "sonalix: no X display: DISPLAY is not set\n"),
                              (unserved, f"sonalix: cannot open the X display {unserved}\n")):
            with self.subTest(display=display):
                env = {k: v for k, v in ENV.items() if k != "DISPLAY"}
                if display:
                    env["DISPLAY"] = display
                ended = subprocess.run([program], env=env, capture_output=True, text=True, timeout=30)
                self.assertEqual((ended.returncode, ended.stdout + ended.stderr), (1, said))


if __name__ == "__main__":
    unittest.main()
