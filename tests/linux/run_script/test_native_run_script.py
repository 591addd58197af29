"""scripts/run.sh --native on a machine without a display: the same
demonstration as the Windows program's, with the native program, and Enter
ends everything it started."""
import os
import unittest

import native_app
import test_run_script


def programs_running(program):
    """Processes started from that executable (or with it as their script)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if program.encode() in f.read().split(b"\0")[:2]:
                    found.append(int(pid))
        except OSError:  # ended meanwhile, or not ours to read
            continue
    return found


class RunNativeWithoutDisplay(test_run_script.RunWithoutDisplay):
    ARGS = ["--native"]
    DESKTOP = os.path.join(test_run_script.ROOT, "build", "run-native-desktop")
    SCREENSHOT_NAME = "sonalix-native-screenshot.png"

    def assert_no_program_servers(self):
        self.assertEqual(programs_running(os.path.join(native_app.BIN_DIR, "sonalix")), [])


if __name__ == "__main__":
    unittest.main()
