"""The input submenu: a second output's monitor chosen in place of the
default input, metered alone, remembered across runs, and reported by name
when it goes away while it is metered (where the platform tells) and at
every Start while it is away."""
import re
import subprocess
import unittest

from desk import ENV, checked_rows, run
from sound import expected_strip, level, skins
from test_capture import CaptureTestCase, not_showing, showing

# The test desktop's second output (scripts/desktop.sh), besides the default one.
SECOND = ("vsecond", "Second")


class OwnOutput:
    """A null sink of the test's own, loaded before the program starts (Wine
    lists its wave devices once, at its start) and unloaded by Remove."""

    def __init__(self, app_class, name, description):
        self.name = name
        self.module = run("pactl", "load-module", "module-null-sink", "sink_name=" + name,
                          "sink_properties=device.description=" + description).strip()
        # An idle null sink delivers late, in bursts.
        self.keep_alive = subprocess.Popen(["pacat", "-p", "-d", name, "--latency-msec=10", "/dev/zero"], env=ENV)
        app_class.input_added()

    def remove(self):
        if self.module:
            run("pactl", "unload-module", self.module, check=False)
            self.module = None
        if self.keep_alive.poll() is None:
            self.keep_alive.kill()
        self.keep_alive.wait()


class Inputs(CaptureTestCase):
    def setUp(self):
        super().setUp()
        self.outputs = []

    def tearDown(self):
        super().tearDown()
        for output in self.outputs:
            output.remove()

    def checked_input(self, app):
        """The rows of the input submenu that carry a check mark."""
        rows = app.open_inputs()[1]
        app.close_menu()
        return checked_rows(rows)

    def test_a_chosen_input_is_metered_alone_at_once_and_remembered(self):
        app = self.launch()
        row = app.input_row(*SECOND)
        self.assertEqual(self.checked_input(app), [0], "the default is checked until another input is chosen")
        self.tone(20, -5, sink=SECOND[0])
        steady = expected_strip(level(20), level(5))
        idle = skins()[0]
        # The default input hears nothing of it...
        app.choose("開始(&S)", None, "")
        self.strip_is(app, idle)
        # ... and the second one, chosen while capturing, shows it at once.
        app.choose_input(row, showing(app, steady), "the second input's tone")
        self.assertEqual(self.checked_input(app), [row])
        app.choose_input(0, showing(app, idle), "the default's silence")
        app.choose_input(row, showing(app, steady), "the second input's tone again")
        self.assertEqual(app.exit(), 0)
        ini = app.read_ini()
        self.assertRegex(ini, rb"(^|\n)Device=\S")

        # The next run meters it from its first Start.
        again = self.launch(ini=ini)
        self.assertEqual(self.checked_input(again), [row])
        again.choose("開始(&S)", showing(again, steady), "the remembered input's tone")
        # Chosen while stopped: only remembered.
        again.choose("停止(&P)", not_showing(again, steady), "the bars falling")
        again.choose_input(0, None, "")
        self.strip_is(again, idle)
        self.assertEqual(again.exit(), 0)
        self.assertNotIn(b"Device=", again.read_ini())

    def test_an_input_that_goes_while_metered_is_reported_and_stays_chosen(self):
        output = OwnOutput(self.App, "vgone", "Gone")
        self.outputs.append(output)
        app = self.launch()
        row = app.input_row("vgone", "Gone")
        self.tone(30, 30, sink="vgone")
        steady = expected_strip(level(30), level(30))
        app.choose_input(row, None, "")
        app.choose("開始(&S)", showing(app, steady), "the input's tone")
        self.stop_tones()
        output.remove()
        gone = app.input_name("vgone", "Gone")
        if app.REPORTS_GONE_INPUT:
            self.dismiss_error(app, "入力デバイスがなくなりました: " + gone)
        # Never another input in its place: the default's tone is not metered.
        self.tone(30, 30)
        self.strip_is(app, skins()[0])
        if app.REPORTS_GONE_INPUT:
            # Still chosen: a Start names it rather than meter another input.
            app.choose("開始(&S)", lambda: app.message_box("エラー"), "the missing input's box")
            self.dismiss_error(app, "入力デバイスが見つかりません: " + gone)
        self.assertEqual(app.exit(), 0)
        ini = app.read_ini()
        self.assertTrue(re.search(rb"(^|\n)Device=\S", ini))

        # Kept for when it comes back; until then each Start names it.
        again = self.launch(ini=ini)
        again.choose("開始(&S)", lambda: again.message_box("エラー"), "the missing input's box")
        self.dismiss_error(again, "入力デバイスが見つかりません: " + gone)
        self.strip_is(again, skins()[0])
        self.assertEqual(again.exit(), 0)
        self.assertEqual(again.read_ini(), ini)


if __name__ == "__main__":
    unittest.main()
