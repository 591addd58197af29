"""The tray icon of the native program as a user meets it: docked while the
program runs, a tip on hover, the command menu on a right press, and gone
after Exit from that menu; on desktops with a StatusNotifierWatcher, with a
host and without, and on a session bus that never answers."""
import os
import socket
import unittest

from desk import DESKTOP_DIR, geometry, key, pointer, run, screen_size, wait_until, within
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


class StatusNotifierWatcher(NativeTestCase):
    def test_without_a_host_the_icon_stays_docked_until_a_host_comes_and_comes_back_when_it_goes(self):
        watcher = self.watcher(host=False)
        app = self.launch()
        watcher.registered_item()
        # The registration has been answered: nothing but the docked icon shows the program.
        watcher.tell("menu 0 0")
        app.close_menu()
        self.assertEqual(len(tray_icons()), 1)
        watcher.tell("host")
        wait_until(lambda: not tray_icons(), what="the docked icon to go")
        watcher.tell("no-host")
        wait_until(tray_icons, what="the docked icon back")

    def test_requests_for_the_menu_while_it_is_open_open_no_second_one(self):
        watcher = self.watcher(host=True)
        app = self.launch(tray=False)
        watcher.registered_item()
        for _ in range(3):
            watcher.tell("menu 500 400")
        wait_until(app.menu_window, what="the menu")
        self.assertEqual(len(app.menu_windows()), 1)
        app.close_menu()
        self.assertEqual(app.menu_windows(), [])
        self.assertIsNone(app.process.poll())


class SilentBus(NativeTestCase):
    def test_a_session_bus_that_never_answers_holds_up_neither_the_strip_nor_the_docked_icon(self):
        # Takes connections and says nothing, as a stopped bus daemon does.
        path = os.path.join(DESKTOP_DIR, "silent-bus")
        silent = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.addCleanup(os.unlink, path)
        self.addCleanup(silent.close)
        silent.bind(path)
        silent.listen(8)
        app = self.launch(env={"DBUS_SESSION_BUS_ADDRESS": "unix:path=" + path})
        self.assertEqual(app.exit(), 0)


if __name__ == "__main__":
    unittest.main()
