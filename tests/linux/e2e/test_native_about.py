"""The native version dialog under a window manager: it asks for no
minimise or maximise box, and minimised all the same it comes back. What the
dialog does on both platforms is in the scenarios (tests/e2e/scenarios)."""
import unittest

from desk import run, visible_windows, wait_until
from native_app import NativeTestCase, send_close_request

DIALOG = "^バージョン情報$"


class AboutDialog(NativeTestCase):
    def test_asks_for_no_minimise_box_and_minimised_all_the_same_comes_back(self):
        app = self.launch()
        dialog = app.choose("バージョン情報(&A)", lambda: visible_windows(name=DIALOG), "the dialog")[0]
        # Motif hints: functions move and close; decorations border, title and
        # menu. Openbox keeps its minimise button all the same, and the dialog
        # has no taskbar entry to come back from.
        self.assertIn("= 0x3, 0x24, 0x1a,", run("xprop", "-id", str(dialog), "_MOTIF_WM_HINTS"))
        run("xdotool", "windowminimize", str(dialog))
        wait_until(lambda: "IsViewable" in run("xwininfo", "-id", str(dialog)), what="the dialog back on screen")
        send_close_request(dialog)
        wait_until(lambda: not visible_windows(name=DIALOG), what="the dialog to close")
        self.assertIsNone(app.process.poll())


if __name__ == "__main__":
    unittest.main()
