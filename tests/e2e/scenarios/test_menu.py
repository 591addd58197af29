"""The command menu read off the screen: its rows in order, each caption
drawn as a reference menu with the same items draws it and in Japanese
glyphs, and the mark of the always-on-top item following the setting."""
import unittest

from desk import INPUT_MENU, MENU_ITEMS, checked_rows, pixels
from driver import DriverTestCase

TOP = MENU_ITEMS.index("常に最前面に表示(&T)")


def first_two_glyphs(rect, row):
    """The ink of the first two glyphs of a menu row, each as a square cell
    as tall as the row's ink, cut one pixel apart."""
    x, y, w, _ = rect
    rows = pixels(x, y + row.top - 2, w, row.bottom - row.top + 5)
    ink = [[sum(p) < 500 for p in line] for line in rows]  # dark, or the grey of smoothed strokes
    ink_rows = [r for r in range(len(ink)) if any(ink[r][4:])]
    ink_cols = [c for c in range(4, w) if any(ink[r][c] for r in range(len(ink)))]
    top, bottom, left = ink_rows[0], ink_rows[-1], ink_cols[0]
    size = bottom - top + 1
    return [[[ink[r][c] for c in range(c0, c0 + size)] for r in range(top, bottom + 1)]
            for c0 in (left, left + size + 1)]


class CommandMenu(DriverTestCase):
    def assert_menu(self, rows, reference, top):
        """The rows and the mark; the captions as the reference draws them
        where the program draws the menu (reference None: a tray host does)."""
        self.assertEqual([row.kind for row in rows], ["separator" if c == "-" else "item" for c in MENU_ITEMS])
        self.assertEqual(checked_rows(rows), [TOP] if top else [])
        for caption, row, expected in zip(MENU_ITEMS, rows, reference or []):
            if caption == INPUT_MENU:
                # A submenu's row ends in an arrow, which the reference's row has not: the caption is compared.
                width = max(c for line in expected.ink for c, v in enumerate(line) if v) + 2
                self.assertTrue([line[:width] for line in row.ink] == [line[:width] for line in expected.ink],
                                f"the row of {caption} draws something else")
            elif caption != "-":
                self.assertTrue(row.ink == expected.ink, f"the row of {caption} draws something else")

    def test_rows_in_order_in_japanese_with_the_top_mark_following_the_setting_which_is_saved(self):
        checked = self.App.reference_menu([("+" + c if i == TOP else c) for i, c in enumerate(MENU_ITEMS)])
        self.assertEqual(checked_rows(checked), [TOP])
        unchecked = self.App.reference_menu(MENU_ITEMS)
        self.assertEqual(checked_rows(unchecked), [])

        app = self.launch(ini="[Main]\nMainX=10\nMainY=40\nTop=1\n")
        self.assertTrue(app.on_top())
        rect, rows = app.open_menu()
        self.assert_menu(rows, checked, top=True)
        # Missing glyphs would be identical hollow boxes, in the reference too.
        cells = first_two_glyphs(rect, rows[0])
        for cell in cells:
            interior = sum(v for line in cell[3:-3] for v in line[3:-3])
            self.assertGreater(interior, 4, "a glyph has strokes inside its cell, a missing-glyph box has none")
        self.assertNotEqual(cells[0], cells[1])
        app.close_menu()

        app.choose("常に最前面に表示(&T)", lambda: not app.on_top(), "the strip no longer on top")
        _, rows = app.open_menu(via_tray=True)
        self.assert_menu(rows, None if app.TRAY_MENU_BY_HOST else unchecked, top=False)
        app.close_menu()
        self.assertEqual(app.request_close(), 0)
        self.assertEqual(app.read_ini(), app.settings(10, 40, 0))


if __name__ == "__main__":
    unittest.main()
