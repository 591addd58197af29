"""The Windows installer as a user meets it: run silently in a fresh prefix
for the signed-in user, the installed program started from where the
shortcut points, then removed silently, which keeps the settings file that
the user's runs wrote."""
import os
import shutil
import subprocess
import unittest

from desk import STRIP_SIZE, click, note_retry
from harness import (BIN_DIR, ENV, REACTION, RETRY, TITLE, bmp_pixels, geometry_or_none, key, pixels, run,
                     tray_icons, visible_windows, wait_until, within)
from test_release import packed, project_version, windows_arch

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sonalix"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


class Installer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work, cls.installers = packed("NSIS", "installer-", ".exe")
        # A prefix no program has run in: the prepared one, unpacked afresh.
        # Wine's menu builder stays off, it has no part in what is tested.
        cls.prefix = os.path.join(cls.work, "prefix")
        subprocess.run([os.path.join(ROOT, "scripts", "desktop.sh"), "prefix", cls.prefix], env=ENV, check=True,
                       capture_output=True, timeout=300)
        cls.env = dict(ENV, WINEPREFIX=cls.prefix,
                       WINEDLLOVERRIDES=ENV.get("WINEDLLOVERRIDES", "") + ";winemenubuilder.exe=d")
        # A server that stays makes each of the many short Wine runs quick;
        # it must hold none of this process's pipes.
        subprocess.run(["wineserver", "-p"], env=cls.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        (user,) = [name for name in os.listdir(os.path.join(cls.prefix, "drive_c", "users")) if name != "Public"]
        home = os.path.join(cls.prefix, "drive_c", "users", user)
        cls.folder = os.path.join(home, "AppData", "Local", "Programs", "Sonalix")
        cls.windows_folder = rf"C:\users\{user}\AppData\Local\Programs\Sonalix"
        cls.shortcut = os.path.join(home, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                                    "Sonalix.lnk")

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=cls.env, capture_output=True, timeout=60)
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.process = None

    def tearDown(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def wine(self, *args, timeout=120):
        """A program's status, run in the fresh prefix."""
        return subprocess.run(["wine", *args], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode

    def registry(self, key):
        """A registry key's text values by name; empty when the key is missing."""
        try:
            lines = run("wine", "reg", "query", key, env=self.env, timeout=60).replace("\r", "").splitlines()
        except RuntimeError:  # no such key
            lines = []
        return dict(line.strip().split("    REG_SZ    ") for line in lines if "    REG_SZ    " in line)

    def installed_files(self):
        return sorted(os.path.relpath(os.path.join(folder, name), self.folder)
                      for folder, _, names in os.walk(self.folder) for name in names)

    def run_installed_program(self):
        """Starts the installed program from elsewhere, checks its strip, and
        ends it as a user does, with Alt+F4; its settings go beside it."""
        self.process = subprocess.Popen(["wine", os.path.join(self.folder, "Sonalix.exe")], cwd=self.work,
                                        env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def strip():
            found = [w for w in visible_windows(name="^" + TITLE + "$")
                     if (geometry_or_none(w) or ())[2:] == STRIP_SIZE]
            return found[0] if found else None

        window = wait_until(lambda: strip() or self.process.poll() is not None, what="the strip")
        self.assertIsNone(self.process.poll(), "the installed program ended before showing its strip")
        x, y, _, _ = geometry_or_none(window)
        skin = bmp_pixels(os.path.join(ROOT, "DATA", "MAIN.BMP"))
        wait_until(lambda: pixels(x, y, *STRIP_SIZE) == skin, what="the installed skin on the strip")
        wait_until(tray_icons, what="the tray icon")  # input sent while it docks can go astray
        for attempt in range(3):  # a key can be lost on a busy machine
            if attempt:
                focus = run("xdotool", "getwindowfocus", check=False).strip()
                note_retry(f"Alt+F4 left the program running (X focus {focus}, the strip {window})")
                # As a user whose key did nothing: a click on the strip first
                # brings it to the front (one that does not move it).
                click(x + STRIP_SIZE[0] // 2, y + STRIP_SIZE[1] // 2)
            run("xdotool", "windowfocus", str(window), check=False)
            key("alt+F4")
            if within(lambda: self.process.poll() is not None, timeout=RETRY):
                break
        self.assertEqual(self.process.wait(timeout=REACTION), 0)

    def test_silent_install_for_the_user_then_silent_removal_that_keeps_the_users_settings(self):
        stem = f"Sonalix-{project_version()}-{windows_arch(os.path.join(BIN_DIR, 'Sonalix.exe'))}"
        self.assertEqual(self.installers, [stem + "-setup.exe"])

        self.assertEqual(self.wine(os.path.join(self.work, self.installers[0]), "/S", "/STARTATSIGNIN"), 0)
        # Wine reports 0 also for an installer it could not start: the effects tell.
        self.assertEqual(self.installed_files(),
                         ["DATA/MAIN.BMP", "DATA/PARTS.BMP", "README.txt", "Sonalix.exe", "Uninstall.exe"])
        self.assertTrue(os.path.isfile(self.shortcut), self.shortcut)
        program = self.windows_folder + r"\Sonalix.exe"
        uninstaller = f'"{self.windows_folder}\\Uninstall.exe"'
        listed = self.registry(UNINSTALL_KEY)
        self.assertEqual((listed.get("DisplayName"), listed.get("UninstallString"), listed.get("QuietUninstallString")),
                         ("Sonalix", uninstaller, uninstaller + " /S"))
        self.assertEqual(self.registry(RUN_KEY).get("Sonalix"), f'"{program}"')

        self.run_installed_program()
        with open(os.path.join(self.folder, "Sonalix.ini"), "rb") as f:
            settings = f.read()
        self.assertEqual(settings, b"[Main]\r\nMainX=300\r\nMainY=300\r\nTop=0\r\n")

        # The uninstaller runs on from a copy of itself and returns at once.
        self.assertEqual(self.wine(os.path.join(self.folder, "Uninstall.exe"), "/S"), 0)
        # As long as any reaction may take on a busy machine; what is left tells why.
        if not within(lambda: self.installed_files() == ["Sonalix.ini"], timeout=REACTION):
            self.fail(f"the program's files not gone: {self.installed_files()}")
        if not within(lambda: not self.registry(UNINSTALL_KEY), timeout=REACTION):
            self.fail(f"the program still in Apps & features: {self.registry(UNINSTALL_KEY)}")
        self.assertFalse(os.path.exists(self.shortcut))
        self.assertNotIn("Sonalix", self.registry(RUN_KEY))
        with open(os.path.join(self.folder, "Sonalix.ini"), "rb") as f:
            self.assertEqual(f.read(), settings)


if __name__ == "__main__":
    unittest.main()
