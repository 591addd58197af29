"""The native version dialog as a user meets it: where it opens and its
colours, and its links handed to xdg-open with exactly their targets."""
import unittest

from desk import click, geometry, pixels, pointer, visible_windows, wait_until, within
from native_app import NativeTestCase, send_close_request

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

    def test_opens_at_the_top_left_white_on_black_with_its_size(self):
        app = self.launch()
        dialog = self.open_dialog(app)
        x, y, w, h = geometry(dialog)
        self.assertEqual((w, h), CLIENT_SIZE)
        self.assertEqual((x, y), (0, 0))
        self.assertEqual(pixels(x + 200, y + 30, 1, 1), [[(0, 0, 0)]])
        send_close_request(dialog)
        wait_until(lambda: not visible_windows(name=DIALOG), what="the dialog to close")
        self.assertIsNone(app.process.poll())

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
