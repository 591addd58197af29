"""The native version dialog as a user meets it: where it opens and its
colours, and its links handed to xdg-open with exactly their targets."""
import unittest

from desk import click, frame_geometry, geometry, pixels, pointer, run, visible_windows, wait_until, within, work_area
from native_app import NativeTestCase, send_close_request, tray_icons

DIALOG = "^バージョン情報$"
CLIENT_SIZE = (217, 152)
# Client points on the links' captions, as the form description places them.
WEB_LINK = (20, 70)
MAIL_LINK = (20, 86)


def count(rows, test):
    return sum(1 for row in rows for p in row if test(p))


def is_white(p):
    return min(p) > 150


def is_red(p):
    return p[0] > 150 and p[1] < 90 and p[2] < 90


class AboutDialog(NativeTestCase):
    def open_dialog(self, app):
        dialog = app.choose("バージョン情報(&A)", lambda: visible_windows(name=DIALOG), "the dialog")[0]
        x, y, _, _ = geometry(dialog)
        wait_until(lambda: count(pixels(x + 8, y + 8, 100, 12), is_white) > 20, what="the dialog's text")
        return dialog

    def test_opens_at_the_top_left_white_on_black_with_its_size_and_cannot_be_minimised(self):
        app = self.launch()
        dialog = self.open_dialog(app)
        x, y, w, h = geometry(dialog)
        self.assertEqual((w, h), CLIENT_SIZE)
        # The frame at the desktop's top-left, clear of the panel, where the
        # window manager keeps a dialog's title bar within reach.
        self.assertEqual(frame_geometry(dialog)[:2], work_area()[:2])
        self.assertEqual(pixels(x + 200, y + 30, 1, 1), [[(0, 0, 0)]])
        # No minimise or maximise box asked for (Motif hints: functions move
        # and close; decorations border, title and menu), and a dialog
        # minimised all the same (openbox keeps its button) comes back: it
        # has no taskbar entry to come back from.
        self.assertIn("= 0x3, 0x24, 0x1a,", run("xprop", "-id", str(dialog), "_MOTIF_WM_HINTS"))
        run("xdotool", "windowminimize", str(dialog))
        wait_until(lambda: "IsViewable" in run("xwininfo", "-id", str(dialog)), what="the dialog back on screen")
        send_close_request(dialog)
        wait_until(lambda: not visible_windows(name=DIALOG), what="the dialog to close")
        self.assertIsNone(app.process.poll())

    def test_while_it_is_up_the_strip_takes_no_clicks_and_the_tray_menu_still_opens(self):
        app = self.launch(ini="[Main]\nMainX=300\nMainY=300\n")
        dialog = self.open_dialog(app)
        # Nothing to wait for: a menu or a move would show within this time.
        click(400, 310, 3)
        self.assertIsNone(within(app.menu_window, timeout=2), "the strip's menu opened")
        run("xdotool", "mousemove", "310", "310", "mousedown", "1")
        for step in range(1, 6):
            run("xdotool", "mousemove", str(310 + 10 * step), "310")
        run("xdotool", "mouseup", "1")
        self.assertIsNone(within(lambda: app.geometry()[:2] != (300, 300), timeout=2), "the strip was dragged")
        (mx, _, _, _), _ = app.open_menu(via_tray=True)
        tray_x, _, _, _ = next(iter(tray_icons().values()))
        self.assertLess(abs(mx - tray_x), 200)
        app.close_menu()
        send_close_request(dialog)
        wait_until(lambda: not visible_windows(name=DIALOG), what="the dialog to close")
        # Enabled again once the dialog has gone.
        app.open_menu()
        app.close_menu()

    def test_each_link_turns_red_under_the_pointer_and_opens_its_exact_target(self):
        app = self.launch()
        dialog = self.open_dialog(app)
        x, y, _, _ = geometry(dialog)
        pointer(x + WEB_LINK[0] - 2, y + WEB_LINK[1])
        pointer(*(x + WEB_LINK[0], y + WEB_LINK[1]))
        wait_until(lambda: count(pixels(x + 8, y + 64, 100, 12), is_red) > 30, what="the web link in red")
        for _ in range(3):  # a click the dialog never saw opens nothing
            click(x + WEB_LINK[0], y + WEB_LINK[1])
            if within(lambda: len(app.opened()) == 1, timeout=5):
                break
        self.assertEqual(app.opened(), [["http://sonalix.example.org/"]])
        for _ in range(3):
            click(x + MAIL_LINK[0], y + MAIL_LINK[1])
            if within(lambda: len(app.opened()) == 2, timeout=5):
                break
        self.assertEqual(app.opened(), [["http://sonalix.example.org/"], ["mailto:info@sonalix.example.org"]])
        send_close_request(dialog)


if __name__ == "__main__":
    unittest.main()
