"""The notification-area icon as a user meets it: there while the program
runs, with its tip, the command menu on a right-button press, and gone after
Exit from that menu."""
import unittest

from harness import AppTestCase, geometry, pointer, run, screen_size, tray_icons, wait_until, window_texts


class TrayIcon(AppTestCase):
    def launch_with_icon(self):
        before = set(tray_icons())
        app = self.launch()
        new = wait_until(lambda: set(tray_icons()) - before, what="the tray icon")
        self.assertEqual(len(new), 1)
        icon = new.pop()
        return app, icon, tray_icons()[icon]

    def test_the_icon_appears_after_start_with_the_tip_sonalix(self):
        _, _, (x, y, w, h) = self.launch_with_icon()
        pointer(x + w // 2 - 1, y + h // 2 - 1)
        pointer(x + w // 2, y + h // 2)
        wait_until(lambda: "Sonalix" in window_texts("tooltips_class32"), timeout=15, what="the tip")

    def test_a_right_press_opens_the_menu_at_the_pointer(self):
        app, _, (x, y, w, h) = self.launch_with_icon()
        px, py = x + w // 2, y + h // 2
        pointer(px, py)
        run("xdotool", "mousedown", "3")
        menu = wait_until(app.menu_window, what="the menu")
        mx, my, mw, mh = geometry(menu)
        # Asked for at the pointer; the system keeps a menu that would cross
        # the screen's edge on the screen.
        sw, sh = screen_size()
        self.assertEqual((mx, my), (min(px, sw - mw), min(py, sh - mh)))
        run("xdotool", "mouseup", "3")
        self.assertIsNotNone(app.menu_window(), "the release leaves the menu open")
        app.close_menu()

    def test_exit_from_the_tray_menu_ends_the_program_and_removes_the_icon(self):
        app, icon, _ = self.launch_with_icon()
        app.choose("終了(&X)", lambda: app.process.poll() is not None, "the program to end", via_tray=True)
        self.assertEqual(app.wait_exit(), 0)
        wait_until(lambda: icon not in tray_icons(), what="the icon to go")


if __name__ == "__main__":
    unittest.main()
