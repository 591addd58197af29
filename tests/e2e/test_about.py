"""The version dialog as a user meets it: where it opens and what it shows,
its links, closing and showing it again, and a second request while it is up."""
import unittest

from harness import (AppTestCase, geometry, key, pixels, pointer, press_return, probe_one, run, tray_icons,
                     visible_windows, wait_until)

DIALOG = "^バージョン情報$"
CLIENT_SIZE = (217, 152)
# Client rectangles of the links, as the form description places them; the
# width is more than either caption needs.
URL_AREA = (8, 64, 200, 12)
MAIL_AREA = (8, 80, 200, 12)
ERROR_TEXT = "表示されているウィンドウをモーダルにすることはできません."


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


class AboutDialog(AppTestCase):
    def open_dialog(self, app):
        dialog = app.choose("バージョン情報(&A)", lambda: visible_windows(name=DIALOG), "the dialog")[0]
        x, y, _, _ = geometry(dialog)
        wait_until(lambda: count(pixels(x + 8, y + 8, 100, 12), is_white) > 20, what="the dialog's text")
        return dialog

    def close_dialog(self, dialog):
        run("xdotool", "windowfocus", "--sync", str(dialog), check=False)
        key("alt+F4")
        wait_until(lambda: not visible_windows(name=DIALOG), timeout=10, what="the dialog to close")

    def client(self, dialog, area):
        x, y, _, _ = geometry(dialog)
        return pixels(x + area[0], y + area[1], area[2], area[3])

    def test_opens_at_the_top_left_with_its_caption_and_the_main_windows_title(self):
        app = self.launch()
        dialog = self.open_dialog(app)
        self.assertEqual(geometry(dialog)[2:], CLIENT_SIZE)
        about = wait_until(lambda: probe_one("TSNX_ABOUT"), what="the dialog in Win32")
        self.assertEqual(about["title"], "バージョン情報")
        self.assertEqual(about["rect"][:2], (0, 0))
        self.assertNotIn("e", probe_one("TSNX_MAIN")["flags"])  # modal: the strip is disabled

        # "Sonalix 100115", not the stored "Label1": a word of seven glyphs, a
        # space, then six digits whose repeats (1 _ _ 1 1, _ 0 0 _ _) match.
        found, gaps = glyphs(self.client(dialog, (8, 8, 140, 14)))
        space = gaps.index(max(gaps)) + 1
        word, digits = found[:space], found[space:]
        self.assertEqual((len(word), len(digits)), (7, 6))
        self.assertEqual(digits[0], digits[3])
        self.assertEqual(digits[0], digits[4])
        self.assertEqual(digits[1], digits[2])
        self.assertEqual(len({digits[0], digits[1], digits[5]}), 3)
        self.close_dialog(dialog)

    def test_a_link_is_red_while_the_pointer_is_over_it_and_white_again_after(self):
        app = self.launch()
        dialog = self.open_dialog(app)
        x, y, _, _ = geometry(dialog)
        self.assertEqual(count(self.client(dialog, URL_AREA), is_red), 0)
        self.assertGreater(count(self.client(dialog, URL_AREA), is_white), 50)

        pointer(x + 20, y + 70)
        pointer(x + 22, y + 70)
        wait_until(lambda: count(self.client(dialog, URL_AREA), is_red) > 50, what="the web link in red")
        self.assertEqual(count(self.client(dialog, URL_AREA), is_white), 0)
        self.assertEqual(count(self.client(dialog, MAIL_AREA), is_red), 0)

        pointer(x + 180, y + 30)
        wait_until(lambda: count(self.client(dialog, URL_AREA), is_red) == 0, what="the web link back in white")
        self.assertGreater(count(self.client(dialog, URL_AREA), is_white), 50)
        self.assertEqual(visible_windows(cls="THintWindow"), [])
        self.close_dialog(dialog)

    def test_closing_only_hides_it_and_the_next_show_is_the_same(self):
        app = self.launch()
        dialog = self.open_dialog(app)
        x, y, _, _ = geometry(dialog)
        first = pixels(x, y, *CLIENT_SIZE)
        pointer(x + 20, y + 86)  # over the mail link when it closes
        wait_until(lambda: count(self.client(dialog, MAIL_AREA), is_red) > 50, what="the mail link in red")
        self.close_dialog(dialog)

        again = self.open_dialog(app)
        self.assertEqual(geometry(again), geometry(dialog))
        self.assertEqual(pixels(x, y, *CLIENT_SIZE), first)
        self.close_dialog(again)

    def test_a_second_request_from_the_tray_menu_shows_the_error_and_leaves_the_dialog_open(self):
        app = self.launch()
        dialog = self.open_dialog(app)
        before = pixels(*geometry(dialog))

        self.assertEqual(len(wait_until(tray_icons, what="the tray icon")), 1)
        box = app.choose("バージョン情報(&A)", lambda: probe_one("#32770"), "the error box", via_tray=True)
        self.assertEqual(box["title"], "Sonalix 100115")
        self.assertIn(ERROR_TEXT, box["texts"].split("|"))
        self.assertEqual(probe_one("TSNX_ABOUT")["rect"][:2], (0, 0))

        error = wait_until(lambda: app.message_box("Sonalix 100115"), what="the error box on screen")
        press_return(error, lambda: probe_one("#32770"), "the error box")
        self.assertEqual(visible_windows(name=DIALOG), [dialog])
        self.assertEqual(pixels(*geometry(dialog)), before)
        self.close_dialog(dialog)


if __name__ == "__main__":
    unittest.main()
