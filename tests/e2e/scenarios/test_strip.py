"""The strip as a user meets it: where it opens, how it looks, dragging, the
menu at the pointer, and the settings written at Exit and at a close request."""
import itertools
import os
import re
import time
import unittest

from desk import RETRY, TITLE, click, geometry, pointer, pointer_grabbed, press, release, run, wait_until, within
from driver import DriverTestCase
from sound import skins


def stored_place(text):
    """MainX and MainY as a settings file holds them (names in any case)."""
    found = dict((k.lower(), int(v)) for k, v in re.findall(rb"(?im)^\s*main([xy])\s*=\s*(-?\d+)", text))
    return found.get(b"x"), found.get(b"y")


class FirstRun(DriverTestCase):
    def test_opens_at_300_300_showing_the_skin_without_a_taskbar_entry_and_exit_writes_the_defaults(self):
        app = self.launch()
        self.assertEqual(app.geometry(), (300, 300, 274, 26))
        wait_until(lambda: app.strip_pixels() == skins()[0], what="the idle skin on screen")
        self.assertIsNone(app.taskbar_entry())
        self.assertFalse(app.on_top())
        self.assertEqual(app.other_windows(), [])
        self.assertEqual(app.exit(), 0)
        self.assertEqual(app.read_ini(), app.settings(300, 300, 0))


class Settings(DriverTestCase):
    # The screen is 1024 x 768, its top 32 rows a panel on the native desktop.
    # Lines end as the platform ends them, where no "\r\n" is written out.
    CASES = [  # stored, where the strip opens (and is saved at a close request), saved as the program writes it
        ("[Main]\nMainX=0x40\nMainY=120\n", (64, 120), False),
        ("[main]\r\n mainx = -0 \r\nMAINY=40\r\n", (0, 40), False),
        ("[Main]\nMainX=left\nMainY=50\n", (300, 50), False),
        ("garbage without a section\n", (300, 300), False),
        # Off every monitor: the default place; partly on one: kept.
        ("[Main]\nMainX=5000\nMainY=100\n", (300, 300), True),
        ("[Main]\nMainX=-200\nMainY=100\n", (-200, 100), True),
    ]

    def test_stored_values_are_honoured_and_bad_or_off_screen_ones_give_defaults(self):
        for ini, place, exact in self.CASES:
            with self.subTest(ini=ini):
                app = self.launch(ini=re.sub("(?<!\r)\n", self.App.NEWLINE.decode(), ini))
                self.assertEqual(app.geometry(), (*place, 274, 26))
                self.assertEqual(app.request_close(), 0)
                self.assertEqual(stored_place(app.read_ini()), place)
                if exact:
                    self.assertEqual(app.read_ini(), app.settings(*place, 0))

    def test_unwritable_settings_are_reported_and_the_program_still_ends(self):
        app = self.launch()
        os.makedirs(app.ini_path)  # a folder in its place makes every write fail
        box = app.choose("終了(&X)", lambda: app.message_box(TITLE), "the error box")
        if app.READS_TEXTS:
            self.assertIn(app.shown_path(app.ini_path) + " に書き込めません.", app.box_texts(TITLE))
        app.dismiss(box)
        self.assertEqual(app.wait_exit(), 0)


class Mouse(DriverTestCase):
    # A press on the strip starts a move that ends at the release. On a loaded
    # machine the move can begin only after the release has gone by (Wine and
    # the window manager take the press in turn), and then the strip rides on
    # the pointer until the next release. A careful user sees the strip follow
    # before letting go, and clicks again while it still rides. Whoever moves
    # the strip (Wine, or the window manager) holds the pointer meanwhile,
    # which tells this.
    def press_until_moving(self, app, x, y):
        """Presses at x, y and nudges the pointer until the strip follows;
        then the pointer is back at x, y and the button still down. (Wine
        holds a move's last pointer motion back until the next event comes,
        so the strip is seen to move a nudge late, and the release brings it
        to where the pointer is.)"""
        for _ in range(5):
            start = app.geometry()[:2]
            pointer(x, y)
            press(1)
            # Nudged on and on while it waits, as a user wiggles the mouse: a
            # move that began after the last nudge, or holds it back, sees
            # the next one.
            nudges = itertools.count()

            def moved_on_nudge():
                step = 3 + next(nudges) % 2 * 3
                pointer(x + step, y + step)
                return app.geometry()[:2] != start

            moved = within(moved_on_nudge, timeout=RETRY, interval=0.2)
            pointer(x, y)
            if moved:
                return True
            release(1)
            self.let_go()
        return False

    def let_go(self):
        """Releases until the move a press began has ended."""
        for _ in range(5):
            if within(lambda: not pointer_grabbed(), timeout=RETRY, interval=0.2):
                return
            click(*(int(v.split(":")[1]) for v in run("xdotool", "getmouselocation").split()[:2]))
        self.fail("the strip stays on the pointer after releases")

    def drag_to(self, app, target):
        """Drags the strip on from where it stopped until it stands at
        target and stays there, as a careful user does."""
        for _ in range(5):
            x, y = app.geometry()[:2]
            if (x, y) == target and not self.rides_pointer(app):
                break
            self.assertTrue(self.press_until_moving(app, x + 10, y + 10), "the strip did not follow the pointer")
            steps = max(abs(target[0] - x), abs(target[1] - y)) // 3 + 1
            for step in range(1, steps + 1):  # small steps: Wine may remap the window mid-drag
                pointer(x + 10 + (target[0] - x) * step // steps, y + 10 + (target[1] - y) * step // steps)
            release(1)
            self.let_go()
            within(lambda: app.geometry()[:2] == target, timeout=RETRY)
        self.assertEqual(app.geometry()[:2], target, "the strip did not follow the pointer")

    def rides_pointer(self, app):
        """Whether the strip still follows the pointer after its release (a
        move that began after the release, which Wine then ends only at a
        click): a nudge tells, and a click then drops it where it is."""
        start = app.geometry()[:2]
        x, y = (int(v.split(":")[1]) for v in run("xdotool", "getmouselocation").split()[:2])
        pointer(x + 4, y + 4)
        riding = within(lambda: app.geometry()[:2] != start, timeout=1, interval=0.1)
        pointer(x, y)
        if riding:
            click(x, y)
            self.let_go()
        return bool(riding)

    def test_a_drag_moves_the_strip_the_menu_opens_at_the_pointer_and_never_on_a_left_click_and_the_place_is_saved(self):
        app = self.launch(ini="[Main]\nMainX=200\nMainY=200\n")
        target = (320, 280)
        self.drag_to(app, target)

        started = time.monotonic()
        click(400, 295, 3)
        menu = wait_until(app.menu_window, what="the menu")
        delay = time.monotonic() - started
        self.assertEqual(geometry(menu)[:2], (400, 295))
        app.close_menu()
        # A left click, pressed until the move it starts is seen.
        self.assertTrue(self.press_until_moving(app, 350, 290), "the strip did not follow the pointer")
        release(1)
        self.let_go()
        # Long enough for a menu several times as slow as the one just seen.
        self.assertIsNone(within(app.menu_window, timeout=max(5 * delay, 3)))
        # Released where it was pressed, the strip is back, or (where Wine
        # held the last motion back past the release) a nudge off: put back.
        self.drag_to(app, target)

        self.assertEqual(app.request_close(), 0)
        self.assertEqual(app.read_ini(), app.settings(320, 280, 0))


if __name__ == "__main__":
    unittest.main()
