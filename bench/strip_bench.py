#!/usr/bin/env python3
"""Measures the running strip under Wine and prints the figures:

- CPU of the Sonalix process (and of the Wine server working for it) over a
  fixed run, idle and while capturing a tone;
- its resident memory;
- the delay from a sound's onset, written to the audio server, to the left
  lamp lighting on screen (read straight from the X server).

Usage: bench/strip_bench.py [seconds]   (starts and stops its own desktop)"""
import ctypes
import os
import statistics
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DESK = os.path.join(ROOT, "build", "bench-desktop")
SECONDS = float(sys.argv[1]) if len(sys.argv) > 1 else 20.0


def wine_arch():
    """The Windows build Wine runs here (win32, or win64 without 32-bit user mode)."""
    return subprocess.run(["bash", "-c", '. scripts/wine-env.sh && echo "$SONALIX_WINE_ARCH"'], cwd=ROOT, check=True,
                          capture_output=True, text=True).stdout.strip()


BIN = os.path.join(ROOT, "build", wine_arch(), "bin")


def start_desktop():
    subprocess.run([os.path.join(ROOT, "scripts", "desktop.sh"), "start", DESK], check=True, stdout=subprocess.DEVNULL)
    os.environ["SONALIX_DESKTOP_DIR"] = DESK
    os.environ["SONALIX_BIN_DIR"] = BIN
    sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def wineserver_pid(prefix):
    """The Wine server of this prefix; other desktops on the machine run their own."""
    out = subprocess.run(["pgrep", "-x", "wineserver(32|64)?"], capture_output=True, text=True).stdout.split()
    wanted = b"WINEPREFIX=" + os.path.realpath(prefix).encode()
    for pid in out:
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if wanted in f.read().split(b"\0"):
                    return int(pid)
        except OSError:  # ended meanwhile, or not ours to read
            continue
    return None


def measure_cpu(pid, seconds, server):
    a, s0, t0 = cpu_seconds(pid), cpu_seconds(server), time.monotonic()
    time.sleep(seconds)
    a1, s1, t1 = cpu_seconds(pid), cpu_seconds(server), time.monotonic()
    return 100 * (a1 - a) / (t1 - t0), 100 * (s1 - s0) / (t1 - t0)


class Screen:
    """One pixel at a time from the X server, fast enough to time a frame."""

    def __init__(self, display):
        self.x = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(ctypes.c_char_p * 3)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.dpy = self.x.XOpenDisplay(display.encode())
        self.root = self.x.XDefaultRootWindow(self.dpy)

    def pixel(self, px, py):
        image = self.x.XGetImage(self.dpy, self.root, px, py, 1, 1, 0xFFFFFFFF, 2)
        data = ctypes.cast(ctypes.cast(image, ctypes.POINTER(ctypes.c_void_p))[2], ctypes.POINTER(ctypes.c_uint8))
        value = (data[2], data[1], data[0])
        self.x.XFree(image)
        return value


class Feeder:
    """Keeps the null sink fed in real time; `loud` switches silence to a tone."""

    def __init__(self, env):
        self.player = subprocess.Popen(["pacat", "-p", "-d", "vsink", "--latency-msec=5"], env=env,
                                       stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.silence = bytes(4 * 220)
        self.tone = (int(100 * 256).to_bytes(2, "little", signed=True) * 2) * 220  # 5 ms, amplitude 100
        self.loud = False
        self.onset = None
        self.running = True
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        next_time = time.monotonic()
        while self.running:
            chunk = self.tone if self.loud else self.silence
            if self.loud and self.onset is None:
                self.onset = time.monotonic()
            self.player.stdin.write(chunk)
            self.player.stdin.flush()
            next_time += 0.005
            time.sleep(max(0.0, next_time - time.monotonic()))

    def stop(self):
        self.running = False
        self.thread.join()
        self.player.terminate()


def main():
    start_desktop()
    import harness  # noqa: E402  (needs the desktop's environment)

    app = harness.SonalixApp().start()
    pid = app.process.pid
    try:
        x, y, _, _ = app.geometry()
        server = wineserver_pid(harness.ENV["WINEPREFIX"])
        if server is None:
            sys.exit("strip_bench: no Wine server runs for " + harness.ENV["WINEPREFIX"])
        idle_cpu, idle_server = measure_cpu(pid, SECONDS, server)
        feeder = Feeder(harness.ENV)
        app.choose("s")
        time.sleep(1)
        screen = Screen(harness.ENV["DISPLAY"])
        dark = screen.pixel(x + 8, y + 5)
        delays = []
        for _ in range(15):
            feeder.onset, feeder.loud = None, True
            deadline = time.monotonic() + 1
            while screen.pixel(x + 8, y + 5) == dark and time.monotonic() < deadline:
                pass
            if feeder.onset is not None:
                delays.append(1000 * (time.monotonic() - feeder.onset))
            time.sleep(0.2)
            feeder.loud = False
            time.sleep(0.6)
        feeder.loud = True
        busy_cpu, busy_server = measure_cpu(pid, SECONDS, server)
        rss = rss_kib(pid)
        feeder.stop()
        app.choose("p")
        app.close_with_alt_f4()
    finally:
        app.kill()
        subprocess.run([os.path.join(ROOT, "scripts", "desktop.sh"), "stop", DESK], check=False)

    size = os.path.getsize(os.path.join(BIN, "Sonalix.exe"))
    print(f"Sonalix.exe size:                 {size / 1024:.0f} KiB")
    print(f"CPU, strip idle ({SECONDS:.0f} s):        {idle_cpu:.2f} % of one core (+ wineserver {idle_server:.2f} %)")
    print(f"CPU, capturing a tone ({SECONDS:.0f} s):  {busy_cpu:.2f} % of one core (+ wineserver {busy_server:.2f} %)")
    print(f"Resident memory while capturing:  {rss / 1024:.1f} MiB")
    if delays:
        print(f"Sound onset to lit lamp ({len(delays)} runs): median {statistics.median(delays):.1f} ms, "
              f"min {min(delays):.1f} ms, max {max(delays):.1f} ms")


if __name__ == "__main__":
    main()
