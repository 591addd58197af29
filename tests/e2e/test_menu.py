"""The command menu read off the screen: its rows in order, each caption
drawn as a reference menu with the same items draws it, and the mark of the
always-on-top item following the setting."""
import subprocess
import unittest

from harness import (ENV, MENU_ITEMS, PROBE, AppTestCase, checked_rows, complete, geometry, key, pointer, probe_one,
                     read_menu, run, visible_windows, wait_until, within)

TOP = MENU_ITEMS.index("常に最前面に表示(&T)")


def topmost():
    return "t" in probe_one("TSNX_MAIN")["flags"]


def reference_rows(items):
    """The rows of a menu with these items, shown by the probe on its own."""
    pointer(5, 5)  # away from it, so that no row is highlighted
    x, y = 500, 100
    shown = subprocess.Popen(["wine", PROBE, "menu", str(x), str(y), *items], env=ENV,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        menu = wait_until(lambda: visible_windows(cls="winprobe.exe"), timeout=60, what="the reference menu")[0]
        rect = geometry(menu)
        rows = wait_until(lambda: complete(read_menu(*rect)), what="the reference menu drawn")
        for _ in range(5):  # again while it stays open: a key can be lost
            run("xdotool", "windowfocus", str(menu), check=False)
            key("Escape")
            if within(lambda: shown.poll() is not None, timeout=5):
                break
    finally:
        if shown.poll() is None:
            shown.kill()
    _, errors = shown.communicate()
    assert shown.returncode == 0, f"winprobe menu: {shown.returncode} {errors}"
    return rows


class CommandMenu(AppTestCase):
    def assert_menu(self, rows, reference, top):
        self.assertEqual([row.kind for row in rows], ["separator" if c == "-" else "item" for c in MENU_ITEMS])
        self.assertEqual(checked_rows(rows), [TOP] if top else [])
        for caption, row, expected in zip(MENU_ITEMS, rows, reference):
            if caption != "-":
                self.assertTrue(row.ink == expected.ink, f"the row of {caption} draws something else")

    def test_rows_in_order_with_their_captions_and_the_top_mark_following_the_setting(self):
        checked = reference_rows([("+" + c if i == TOP else c) for i, c in enumerate(MENU_ITEMS)])
        self.assertEqual(checked_rows(checked), [TOP])
        unchecked = reference_rows(MENU_ITEMS)
        self.assertEqual(checked_rows(unchecked), [])

        app = self.launch(ini="[Main]\r\nMainX=10\r\nMainY=20\r\nTop=1\r\n")
        _, rows = app.open_menu()
        self.assert_menu(rows, checked, top=True)
        app.close_menu()

        app.choose("常に最前面に表示(&T)", lambda: not topmost(), "the strip no longer on top")
        _, rows = app.open_menu(via_tray=True)
        self.assert_menu(rows, unchecked, top=False)
        app.close_menu()
        self.assertEqual(app.close_with_alt_f4(), 0)


if __name__ == "__main__":
    unittest.main()
