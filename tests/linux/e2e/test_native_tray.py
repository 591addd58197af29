"""The native tray icon on desktops with a StatusNotifierWatcher, with a host
and without, and on a session bus that never answers. What the icon does on
both platforms is in the scenarios (tests/e2e/scenarios)."""
import os
import socket
import unittest

from desk import DESKTOP_DIR, wait_until
from native_app import NativeTestCase, tray_icons


class StatusNotifierWatcher(NativeTestCase):
    def test_without_a_host_the_icon_stays_docked_until_a_host_comes_and_comes_back_when_it_goes(self):
        watcher = self.watcher(host=False)
        app = self.launch(env=watcher.env)
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
        app = self.launch(env=watcher.env, tray=False)
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
