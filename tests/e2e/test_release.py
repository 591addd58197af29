"""The release archive as a Windows user gets it: packed by CPack, unpacked
into an empty folder and started from there."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile

from harness import (BIN_DIR, DESKTOP_DIR, ENV, TITLE, bmp_pixels, geometry, key, kill_wine_process, pixels, run,
                     tray_icons, visible_windows, wait_until)

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD_DIR = os.path.dirname(BIN_DIR)


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r"project\(Sonalix VERSION ([0-9.]+)", f.read()).group(1)


def packed(generator, prefix, suffix):
    """A fresh folder with what CPack's generator packs from this build, and
    the names of its files that end in `suffix`."""
    work = tempfile.mkdtemp(prefix=prefix, dir=DESKTOP_DIR or None)
    subprocess.run(["cpack", "-G", generator, "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"), "-B", work],
                   cwd=BUILD_DIR, check=True, capture_output=True, timeout=300)
    return work, [name for name in os.listdir(work) if name.endswith(suffix)]


def windows_arch(exe):
    """win32 or win64, from the machine field of the PE header."""
    with open(exe, "rb") as f:
        data = f.read(4096)
    header = int.from_bytes(data[0x3C:0x40], "little")
    machine = int.from_bytes(data[header + 4:header + 6], "little")
    return {0x14C: "win32", 0x8664: "win64"}[machine]


class ReleaseArchive(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work, cls.archives = packed("ZIP", "release-", ".zip")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.process = None

    def tearDown(self):
        kill_wine_process(self.process)

    def archive(self):
        self.assertEqual(len(self.archives), 1, self.archives)
        return os.path.join(self.work, self.archives[0])

    def test_archive_is_named_by_version_and_holds_the_program_its_skins_and_a_read_me(self):
        stem = f"Sonalix-{project_version()}-{windows_arch(os.path.join(BIN_DIR, 'Sonalix.exe'))}"
        self.assertEqual(os.path.basename(self.archive()), stem + ".zip")
        with zipfile.ZipFile(self.archive()) as archive:
            files = {name for name in archive.namelist() if not name.endswith("/")}
            readme = archive.read(f"{stem}/README.txt").decode("utf-8-sig")
        self.assertEqual(files, {f"{stem}/{name}" for name in
                                 ("Sonalix.exe", "README.txt", "DATA/MAIN.BMP", "DATA/PARTS.BMP")})
        # Notepad on older Windows needs CRLF; the read-me says how to start
        # the program and where its settings go.
        self.assertNotIn("\n", readme.replace("\r\n", ""))
        for text in (f"Sonalix {project_version()}", "double-click Sonalix.exe", "Sonalix.ini, beside Sonalix.exe"):
            self.assertIn(text, readme)

    def test_unpacked_folder_runs_the_strip_and_keeps_its_settings_beside_the_program(self):
        folder = tempfile.mkdtemp(prefix="unpacked-", dir=self.work)
        with zipfile.ZipFile(self.archive()) as archive:
            archive.extractall(folder)
        (top,) = os.listdir(folder)
        program = os.path.join(folder, top)
        # Started from elsewhere, as from a shortcut: the settings still go beside the program.
        self.process = subprocess.Popen(["wine", os.path.join(program, "Sonalix.exe")], cwd=DESKTOP_DIR or None,
                                        env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def strip():
            found = [w for w in visible_windows(name="^" + TITLE + "$") if geometry(w)[2:] == (274, 26)]
            return found[0] if found else None

        window = wait_until(strip, timeout=30, what="the strip")
        x, y, _, _ = geometry(window)
        skin = bmp_pixels(os.path.join(BIN_DIR, "DATA", "MAIN.BMP"))
        wait_until(lambda: pixels(x, y, 274, 26) == skin, timeout=10, what="the skin from the unpacked DATA")
        # Input sent while the tray host docks the icon can go astray.
        wait_until(tray_icons, timeout=20, what="the tray icon")
        run("xdotool", "windowfocus", str(window), check=False)
        key("alt+F4")
        self.assertEqual(self.process.wait(timeout=20), 0)
        with open(os.path.join(program, "Sonalix.ini"), "rb") as f:
            self.assertEqual(f.read(), b"[Main]\r\nMainX=300\r\nMainY=300\r\nTop=0\r\n")


if __name__ == "__main__":
    unittest.main()
