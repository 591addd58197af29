"""The native command menu read off the screen: its rows in order, each
caption drawn as a reference menu with the same items draws it, and the mark
of the always-on-top item following the setting."""
import subprocess
import unittest

from desk import ENV, MENU_ITEMS, checked_rows, complete, geometry, key, pointer, read_menu, wait_until, within
from native_app import XPROBE, NativeTestCase

TOP = MENU_ITEMS.index("常に最前面に表示(&T)")


def mnemonic(caption):
    """The caption as GTK marks its mnemonic."""
    return caption.replace("&", "_")


def reference_rows(items, known_windows):
    """The rows of a GTK menu with these items, shown by the probe on its own."""
    pointer(5, 5)  # away from it, so that no row is highlighted
    shown = subprocess.Popen([XPROBE, "menu", "500", "100", *items], env=ENV, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE)
    try:
        menu = wait_until(lambda: [w for w in known_windows() if w], timeout=30, what="the reference menu")[0]
        rect = geometry(menu)
        rows = wait_until(lambda: complete(read_menu(*rect)), what="the reference menu drawn")
        for _ in range(5):  # again while it stays open: a key can be lost
            key("Escape")
            if within(lambda: shown.poll() is not None, timeout=5):
                break
    finally:
        if shown.poll() is None:
            shown.kill()
    _, errors = shown.communicate()
    assert shown.returncode == 0, f"xprobe menu: {shown.returncode} {errors}"
    return rows


def probe_menus():
    from desk import visible_windows
    return [w for w in visible_windows(cls="xprobe") if geometry(w)[2] > 50]


class CommandMenu(NativeTestCase):
    def assert_menu(self, rows, reference, top):
        self.assertEqual([row.kind for row in rows], ["separator" if c == "-" else "item" for c in MENU_ITEMS])
        self.assertEqual(checked_rows(rows), [TOP] if top else [])
        for caption, row, expected in zip(MENU_ITEMS, rows, reference):
            if caption != "-":
                self.assertTrue(row.ink == expected.ink, f"the row of {caption} draws something else")

    def test_rows_in_order_with_their_captions_and_the_top_mark_following_the_setting(self):
        captions = [mnemonic(c) for c in MENU_ITEMS]
        checked = reference_rows([("+" + c if i == TOP else c) for i, c in enumerate(captions)], probe_menus)
        self.assertEqual(checked_rows(checked), [TOP])
        unchecked = reference_rows(captions, probe_menus)
        self.assertEqual(checked_rows(unchecked), [])

        app = self.launch(ini="[Main]\nMainX=10\nMainY=20\nTop=1\n")
        _, rows = app.open_menu()
        self.assert_menu(rows, checked, top=True)
        app.close_menu()

        app.choose("常に最前面に表示(&T)", None, "")
        _, rows = app.open_menu(via_tray=True)
        self.assert_menu(rows, unchecked, top=False)
        app.close_menu()
        self.assertEqual(app.exit(), 0)


if __name__ == "__main__":
    unittest.main()
