"""The driver that the scenarios (scenarios/) run against, named by each
preset's ctest in SONALIX_DRIVER: "wine" for Sonalix.exe under Wine, "native"
for the native Linux program. Each brings its test case, whose App is its
kind of desk.Program."""
import os

DRIVER = os.environ.get("SONALIX_DRIVER", "")
if DRIVER == "wine":
    from harness import WineTestCase as DriverTestCase  # noqa: F401
elif DRIVER == "native":
    from native_app import NativeTestCase as DriverTestCase  # noqa: F401
else:
    raise ImportError(f"SONALIX_DRIVER is {DRIVER!r}, not wine or native")
