"""The native tray icon on the desktop's real panel (XFCE's), which draws the
item's menu itself; on desktops with a StatusNotifierWatcher of the test's,
with a host and without; and on a session bus that never answers. What the
icon does on both platforms is in the scenarios (tests/e2e/scenarios)."""
import os
import socket
import unittest

from desk import DESKTOP_DIR, MENU_ITEMS, checked_rows, visible_windows, wait_until
from native_app import TRAY_HOST_CLASS, NativeTestCase, tray_icons
from sound import Tone, expected_strip, level

DIALOG = "^バージョン情報$"


class PanelHost(NativeTestCase):
    def test_the_panels_menu_is_the_programs_and_every_command_works_from_it(self):
        app = self.launch()
        tone = Tone(20, -5)  # amplitudes 20 and 5: levels 66 and 38
        self.addCleanup(tone.stop)
        (x, y, w, h), rows = app.open_menu(via_tray=True)
        self.assertEqual(app.windows_of_type("POPUP_MENU", TRAY_HOST_CLASS), [app.menu_window()],
                         "the panel did not draw the menu")
        self.assertEqual([row.kind for row in rows], ["separator" if c == "-" else "item" for c in MENU_ITEMS])
        self.assertEqual(checked_rows(rows), [])
        app.close_menu()

        steady = expected_strip(level(20), level(5))
        app.choose("開始(&S)", lambda: app.strip_pixels() == steady, "the lamps and bars lit", via_tray=True)
        app.choose("常に最前面に表示(&T)", app.on_top, "the strip on top", via_tray=True)
        _, rows = app.open_menu(via_tray=True)
        self.assertEqual(checked_rows(rows), [MENU_ITEMS.index("常に最前面に表示(&T)")])
        app.close_menu()
        dialogs = app.choose("バージョン情報(&A)", lambda: visible_windows(name=DIALOG), "the dialog", via_tray=True)
        dialog = dialogs[0]
        app.close(dialog, lambda: not visible_windows(name=DIALOG))
        app.choose("終了(&X)", lambda: app.process.poll() is not None, "the program to end", via_tray=True)
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(app.read_ini(), app.settings(300, 300, 1))


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
