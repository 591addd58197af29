"""The tray icon of the native program as a user meets it: docked while the
program runs, a tip on hover, the command menu on a right press, and gone
after Exit from that menu."""
import unittest

from desk import geometry, pointer, run, screen_size, wait_until
from native_app import NativeTestCase, tray_icons


class TrayIcon(NativeTestCase):
    def test_the_icon_is_docked_and_shows_a_tip_on_hover(self):
        app = self.launch()
        icons = tray_icons()
        self.assertEqual(len(icons), 1)
        x, y, w, h = next(iter(icons.values()))
        before = set(app.windows())
        pointer(x + w // 2 - 1, y + h // 2 - 1)
        pointer(x + w // 2, y + h // 2)
        tip = wait_until(lambda: set(app.windows()) - before, timeout=15, what="the tip")
        tx, ty, tw, th = geometry(tip.pop())
        self.assertLess(abs(tx + tw // 2 - (x + w // 2)), 200)

    def test_a_right_press_opens_the_menu_at_the_pointer(self):
        app = self.launch()
        x, y, w, h = next(iter(tray_icons().values()))
        px, py = x + w // 2, y + h // 2
        pointer(px, py)
        run("xdotool", "click", "3")
        menu = wait_until(app.menu_window, what="the menu")
        mx, my, mw, mh = geometry(menu)
        # Near the screen's corner the menu stays on the screen, touching the pointer.
        sw, sh = screen_size()
        self.assertLessEqual(mx + mw, sw)
        self.assertLessEqual(my + mh, sh)
        self.assertTrue(mx <= px <= mx + mw and my <= py <= my + mh)
        app.close_menu()

    def test_exit_from_the_tray_menu_ends_the_program_and_removes_the_icon(self):
        app = self.launch()
        icon = next(iter(tray_icons()))
        app.choose("終了(&X)", lambda: app.process.poll() is not None, "the program to end", via_tray=True)
        self.assertEqual(app.wait_exit(), 0)
        wait_until(lambda: icon not in tray_icons(), what="the icon to go")


if __name__ == "__main__":
    unittest.main()
