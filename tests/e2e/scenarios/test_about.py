"""The version dialog as a user meets it: where it opens and what it shows,
modal to the strip, its links and what they open, closing and showing it
again, and the boxes of commands from the tray menu while it is up."""
import time
import unittest

from desk import (RETRY, TITLE, click, geometry, key, pixels, pointer, press, release, set_audio, visible_windows, wait_until,
                  within)
from driver import DriverTestCase

DIALOG = "^バージョン情報$"
CLIENT_SIZE = (217, 152)
# Client rectangles of the links, as the form description places them; the
# width is more than either caption needs.
URL_AREA = (8, 64, 200, 12)
MAIL_AREA = (8, 80, 200, 12)
WEB_LINK = (20, 70)
MAIL_LINK = (20, 86)
BLANK = (180, 30)  # a client point off the texts and links
ERROR_TEXT = "表示されているウィンドウをモーダルにすることはできません."
CAPTURE_ERROR = "エラー"


def is_red(p):
    return p[0] > 150 and p[1] < 90 and p[2] < 90


def is_white(p):
    return min(p) > 150


def count(rows, test):
    return sum(1 for row in rows for p in row if test(p))


def glyphs(rows):
    """The ink of a line of text, cut at blank columns: (glyphs, gaps), each
    glyph as the tuple of its columns' ink."""
    ink = [[sum(p) > 100 for p in row] for row in rows]
    columns = [tuple(row[c] for row in ink) for c in range(len(ink[0]))]
    found, gaps, current, blank = [], [], [], 0
    for column in columns:
        if any(column):
            if current == [] and found:
                gaps.append(blank)
            current.append(column)
            blank = 0
        else:
            if current:
                found.append(tuple(current))
                current = []
            blank += 1
    if current:
        found.append(tuple(current))
    return found, gaps


class AboutDialog(DriverTestCase):
    def open_dialog(self, app):
        dialog = app.choose("バージョン情報(&A)", lambda: visible_windows(name=DIALOG), "the dialog")[0]
        x, y, _, _ = geometry(dialog)
        wait_until(lambda: count(pixels(x + 8, y + 8, 100, 12), is_white) > 20, what="the dialog's text")
        return dialog

    def close_dialog(self, app, dialog):
        app.close(dialog, lambda: not visible_windows(name=DIALOG))
        self.assertIsNone(app.process.poll())

    def client(self, dialog, area):
        x, y, _, _ = geometry(dialog)
        return pixels(x + area[0], y + area[1], area[2], area[3])

    def test_opens_at_the_top_left_shows_the_version_and_while_up_the_strip_takes_no_clicks(self):
        app = self.launch(ini="[Main]\nMainX=300\nMainY=300\n")
        dialog = self.open_dialog(app)
        x, y, w, h = geometry(dialog)
        self.assertEqual((w, h), CLIENT_SIZE)
        self.assertEqual(app.dialog_corner(dialog), app.desktop_corner())
        self.assertEqual(pixels(x + BLANK[0], y + BLANK[1], 1, 1), [[(0, 0, 0)]])  # white on black

        if app.SHARP_TEXT:
            # "Sonalix 100115", not the stored "Label1": a word of seven glyphs,
            # a space, then six digits whose repeats (1 _ _ 1 1, _ 0 0 _ _) match.
            found, gaps = glyphs(self.client(dialog, (8, 8, 140, 14)))
            space = gaps.index(max(gaps)) + 1
            word, digits = found[:space], found[space:]
            self.assertEqual((len(word), len(digits)), (7, 6))
            self.assertEqual(digits[0], digits[3])
            self.assertEqual(digits[0], digits[4])
            self.assertEqual(digits[1], digits[2])
            self.assertEqual(len({digits[0], digits[1], digits[5]}), 3)

        # Modal: the strip takes no clicks, while the tray menu still opens,
        # near its icon. Long enough for a menu or a move several times as
        # slow as the tray's menu.
        started = time.monotonic()
        (mx, _, _, _), _ = app.open_menu(via_tray=True)
        quiet = max(5 * (time.monotonic() - started), 2)
        tray_x, _, _, _ = next(iter(app.tray_icons().values()))
        self.assertLess(abs(mx - tray_x), 200)
        app.close_menu()
        click(400, 310, 3)
        self.assertIsNone(within(app.menu_window, timeout=quiet), "the strip's menu opened")
        pointer(310, 310)
        press(1)
        for step in range(1, 6):
            pointer(310 + 3 * step, 310)
        release(1)
        self.assertIsNone(within(lambda: app.geometry()[:2] != (300, 300), timeout=quiet), "the strip was dragged")

        # After the tray's menu the keyboard can be with another window of
        # the program: a click on the dialog's blank part gives it back, as a
        # user would before a close by keyboard.
        click(x + BLANK[0], y + BLANK[1])
        self.close_dialog(app, dialog)
        app.open_menu()  # the strip takes clicks again
        app.close_menu()

    def test_links_turn_red_and_open_their_targets_and_a_closed_dialog_shows_again_the_same(self):
        app = self.launch()
        dialog = self.open_dialog(app)
        x, y, w, h = geometry(dialog)
        first = pixels(x, y, w, h)
        self.assertEqual(count(self.client(dialog, URL_AREA), is_red), 0)
        self.assertGreater(count(self.client(dialog, URL_AREA), is_white), 50)

        pointer(x + WEB_LINK[0] - 2, y + WEB_LINK[1])
        pointer(x + WEB_LINK[0], y + WEB_LINK[1])
        wait_until(lambda: count(self.client(dialog, URL_AREA), is_red) > 50, what="the web link in red")
        self.assertEqual(count(self.client(dialog, URL_AREA), is_white), 0)
        self.assertEqual(count(self.client(dialog, MAIL_AREA), is_red), 0)
        for target, link in (("http://sonalix.example.org/", WEB_LINK), ("mailto:info@sonalix.example.org", MAIL_LINK)):
            calls = len(app.opened())
            for _ in range(3):  # a click the dialog never saw opens nothing
                click(x + link[0], y + link[1])
                if within(lambda: len(app.opened()) > calls, timeout=10):
                    break
            self.assertEqual(app.opened()[calls:], [[target]])

        pointer(x + BLANK[0], y + BLANK[1])
        wait_until(lambda: count(self.client(dialog, MAIL_AREA), is_red) == 0, what="the mail link back in white")
        self.assertEqual(count(self.client(dialog, URL_AREA), is_red), 0)
        self.assertGreater(count(self.client(dialog, URL_AREA), is_white), 50)
        self.assertEqual(app.tips(), [])

        # Closing only hides it: shown again, it is the same, although the
        # pointer was over a link when it closed.
        pointer(x + MAIL_LINK[0], y + MAIL_LINK[1])
        wait_until(lambda: count(self.client(dialog, MAIL_AREA), is_red) > 50, what="the mail link in red")
        self.close_dialog(app, dialog)
        again = self.open_dialog(app)
        self.assertEqual(geometry(again), (x, y, w, h))
        self.assertEqual(pixels(x, y, w, h), first)
        self.close_dialog(app, again)

    def test_boxes_from_the_tray_menu_while_up_leave_the_dialog_as_it_was_the_strip_disabled_and_the_keyboard_with_it(self):
        app = self.launch()
        dialog = self.open_dialog(app)
        before = pixels(*geometry(dialog))
        # A second request is refused in a box.
        box = app.choose("バージョン情報(&A)", lambda: app.message_box(TITLE), "the error box", via_tray=True)
        if app.READS_TEXTS:
            self.assertIn(ERROR_TEXT, app.box_texts(TITLE))
        app.dismiss(box)
        self.assertEqual(visible_windows(name=DIALOG), [dialog])
        self.assertEqual(app.dialog_corner(dialog), app.desktop_corner())
        self.assertEqual(pixels(*geometry(dialog)), before)

        # Start fails without the audio server, and says so in a box of its
        # own. Once it is closed the strip still takes no clicks, and the
        # keyboard is back with the dialog: Alt+F4 closes the dialog, not the
        # strip.
        set_audio(False)
        self.addCleanup(set_audio, True)
        box = app.choose("開始(&S)", lambda: app.message_box(CAPTURE_ERROR), "the error box", via_tray=True)
        app.dismiss(box)
        x, y, w, h = app.geometry()
        click(x + w - 10, y + h // 2, 3)
        # The strip's menu opens within a second on a quiet machine; a busy
        # one can only make this miss a fault, never fail a sound program.
        self.assertIsNone(within(app.menu_window, timeout=3), "the strip's menu opened")
        closed = lambda: not visible_windows(name=DIALOG) or app.process.poll() is not None
        for _ in range(3):  # a key sent while the focus moves can be lost
            key("alt+F4")
            if within(closed, timeout=RETRY):
                break
        self.assertIsNone(app.process.poll(), "Alt+F4 closed the strip")
        self.assertEqual(visible_windows(name=DIALOG), [])
        self.assertIn(app.window, visible_windows(name="^" + TITLE + "$"), "the strip went")
        app.open_menu()  # the strip takes clicks again
        app.close_menu()


if __name__ == "__main__":
    unittest.main()
