"""The Debian package as a user gets it: made by CPack, passed by Debian's
checkers, and unpacked into an empty root whose program, started from there,
finds its skins through the data folders."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from desk import DESKTOP_DIR, bmp_pixels, pixels, wait_until
from native_app import BIN_DIR, NativeApp, NativeTestCase

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
BUILD_DIR = os.path.dirname(BIN_DIR)
APP_ID = "org.example.sonalix"


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r"project\(Sonalix VERSION ([0-9.]+)", f.read()).group(1)


def checked(*args):
    """A checker's status and everything it printed."""
    result = subprocess.run(args, capture_output=True, text=True, timeout=120)
    return result.returncode, (result.stdout + result.stderr).strip()


class DebianPackage(NativeTestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="package-", dir=DESKTOP_DIR or None)
        subprocess.run(["cpack", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"), "-B", cls.work],
                       cwd=BUILD_DIR, check=True, capture_output=True, timeout=300)
        cls.packages = [name for name in os.listdir(cls.work) if name.endswith(".deb")]
        cls.root = os.path.join(cls.work, "root")
        os.mkdir(cls.root)
        if len(cls.packages) == 1:
            subprocess.run(["dpkg-deb", "-x", cls.package(), cls.root], check=True, timeout=60)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    @classmethod
    def package(cls):
        return os.path.join(cls.work, cls.packages[0])

    def field(self, name):
        return subprocess.run(["dpkg-deb", "-f", self.package(), name], capture_output=True, text=True,
                              check=True).stdout.strip()

    def test_package_is_named_by_version_describes_itself_and_holds_a_desktop_programs_files(self):
        self.assertEqual(self.packages, [f"sonalix_{project_version()}_amd64.deb"])
        self.assertEqual(self.field("Maintainer"), "Sonalix Works <info@sonalix.example.org>")
        self.assertEqual(self.field("Section"), "sound")
        synopsis, *extended = self.field("Description").splitlines()
        self.assertEqual(synopsis, "stereo level meter for the audio input")
        self.assertGreater(len(extended), 2)
        # Read off the binary, with versions: each library the program links.
        depends = dict(re.match(r"([^ ]+) ?(.*)", d).groups() for d in self.field("Depends").split(", "))
        for library in ("libc6", "libgtk-3-0", "libglib2.0-0", "libpulse0", "libx11-6", "libdbusmenu-glib4",
                        "libstdc++6"):
            self.assertIn(library, depends)
        self.assertRegex(depends["libc6"], r"^\(>= [0-9.]+\)$")

        files = {os.path.relpath(os.path.join(folder, name), self.root)
                 for folder, _, names in os.walk(self.root) for name in names}
        icons = {f"usr/share/icons/hicolor/{s}x{s}/apps/{APP_ID}.png" for s in (16, 32, 48, 64, 128, 256)}
        self.assertEqual(files, icons | {
            "usr/bin/sonalix", "usr/share/sonalix/DATA/MAIN.BMP", "usr/share/sonalix/DATA/PARTS.BMP",
            f"usr/share/applications/{APP_ID}.desktop", f"usr/share/metainfo/{APP_ID}.metainfo.xml",
            "usr/share/man/man1/sonalix.1.gz", "usr/share/doc/sonalix/copyright",
            "usr/share/doc/sonalix/changelog.gz"})
        for icon in icons:
            size = int(re.search(r"/(\d+)x", icon).group(1))
            with open(os.path.join(self.root, icon), "rb") as f:
                header = f.read(24)
            self.assertEqual((header[:8], int.from_bytes(header[16:20], "big"), int.from_bytes(header[20:24], "big")),
                             (b"\x89PNG\r\n\x1a\n", size, size), icon)

    def test_debians_checkers_find_nothing_wrong(self):
        status, report = checked("lintian", "--fail-on", "error,warning", self.package())
        self.assertEqual(status, 0, report)
        status, report = checked("desktop-file-validate",
                                 os.path.join(self.root, "usr/share/applications", APP_ID + ".desktop"))
        self.assertEqual((status, report), (0, ""), report)
        status, report = checked("appstreamcli", "validate", "--no-net",
                                 os.path.join(self.root, "usr/share/metainfo", APP_ID + ".metainfo.xml"))
        self.assertEqual((status, report.splitlines()[-1:]), (0, ["✔ Validation was successful."]), report)

    def test_program_started_from_the_unpacked_root_draws_the_skins_from_its_data_folder(self):
        app = NativeApp()
        self.apps.append(app)
        # An empty user data folder: only the unpacked root has skins.
        data_home = os.path.join(app.folder, "data")
        os.mkdir(data_home)
        app.env.update(XDG_DATA_DIRS=os.path.join(self.root, "usr", "share"), XDG_DATA_HOME=data_home)
        app.start(os.path.join(self.root, "usr", "bin", "sonalix"))
        self.assertEqual(app.geometry(), (300, 300, 274, 26))
        expected = bmp_pixels(os.path.join(ROOT, "DATA", "MAIN.BMP"))
        wait_until(lambda: pixels(300, 300, 274, 26) == expected, what="the idle skin on screen")
        self.assertEqual(app.exit(), 0)


if __name__ == "__main__":
    unittest.main()
