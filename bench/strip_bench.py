#!/usr/bin/env python3
"""Measures the running strip under Wine and prints the figures:

- CPU of the Sonalix process (and of the Wine server working for it) over a
  fixed run, idle and while capturing a tone;
- its resident memory;
- the delay from a sound's onset, when the audio server plays it into the
  null sink, to the left lamp lighting on screen (read straight from the X
  server).

Each of several runs starts capture afresh, times a series of onsets and
measures the CPU while capturing; every figure is given as median, min and
max.

Usage: bench/strip_bench.py [seconds [runs [onsets]]]   (default 20 5 15;
starts and stops its own desktop)"""
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
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
ONSETS = int(sys.argv[3]) if len(sys.argv) > 3 else 15


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


class PulseStream:
    """A blocking libpulse-simple stream of 16-bit stereo at 44100 Hz."""

    NOT_SET = 0xFFFFFFFF

    class SampleFormat(ctypes.Structure):
        _fields_ = [("format", ctypes.c_int), ("rate", ctypes.c_uint32), ("channels", ctypes.c_uint8)]

    class Attr(ctypes.Structure):
        _fields_ = [(name, ctypes.c_uint32) for name in ("maxlength", "tlength", "prebuf", "minreq", "fragsize")]

    def __init__(self, device, buffer_ms):
        self.lib = ctypes.CDLL("libpulse-simple.so.0")
        self.lib.pa_simple_new.restype = ctypes.c_void_p
        self.lib.pa_simple_new.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_char_p,
                                           ctypes.c_char_p, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p,
                                           ctypes.POINTER(ctypes.c_int)]
        self.lib.pa_simple_write.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t,
                                             ctypes.POINTER(ctypes.c_int)]
        self.lib.pa_simple_get_latency.restype = ctypes.c_uint64
        self.lib.pa_simple_get_latency.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
        self.lib.pa_simple_free.argtypes = [ctypes.c_void_p]
        sample_format = self.SampleFormat(3, 44100, 2)  # PA_SAMPLE_S16LE
        attr = self.Attr(self.NOT_SET, int(buffer_ms * 44.1) * 4, self.NOT_SET, self.NOT_SET, self.NOT_SET)
        error = ctypes.c_int()
        self.stream = self.lib.pa_simple_new(None, b"strip_bench", 1, device.encode(), b"tone", ctypes.byref(sample_format),
                                             None, ctypes.byref(attr), ctypes.byref(error))  # 1: playback
        if not self.stream:
            sys.exit(f"strip_bench: cannot play into {device} (PulseAudio error {error.value})")

    def write(self, data):
        """Returns once the server has room for `data`: the writes keep their own pace."""
        self.lib.pa_simple_write(self.stream, data, len(data), None)

    def latency(self):
        """Seconds until the last sample written reaches the sink."""
        return self.lib.pa_simple_get_latency(self.stream, None) / 1e6

    def close(self):
        self.lib.pa_simple_free(self.stream)


class Feeder:
    """Keeps the null sink fed; `loud` switches silence to a tone. The onset is
    when the tone's first sample reaches the sink, as the audio server reports
    it: a feeder that timed its own writes would count every stall it ever had
    (data queued behind it) as the program's delay."""

    CHUNK = 0.005

    def __init__(self):
        frames = round(44100 * self.CHUNK)
        self.silence = bytes(4 * frames)
        self.tone = (int(100 * 256).to_bytes(2, "little", signed=True) * 2) * frames  # amplitude 100 of 8 bits
        self.stream = PulseStream("vsink", 4 * 1000 * self.CHUNK)
        self.loud = False
        self.onset = None
        self.running = True
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while self.running:
            loud = self.loud
            self.stream.write(self.tone if loud else self.silence)
            if loud and self.onset is None:
                self.onset = self.first_sample_played()

    def first_sample_played(self):
        """The moment the tone's first sample (a chunk before the end of what
        was written) reaches the sink. Asked again when this thread was held
        up between reading the clock and the server's answer."""
        while True:
            before = time.monotonic()
            latency = self.stream.latency()
            after = time.monotonic()
            if after - before < 0.001:
                return (before + after) / 2 + latency - self.CHUNK

    def sound_onset(self):
        """Starts the tone and returns when its first sample reaches the sink."""
        self.onset, self.loud = None, True
        while self.onset is None:
            time.sleep(0.001)
        return self.onset

    def stop(self):
        self.running = False
        self.thread.join()
        self.stream.close()


def wait_while(condition, seconds, pause):
    """False if `condition` still holds after `seconds`."""
    deadline = time.monotonic() + seconds
    while condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(pause)
    return True


def lamp_delays(app, feeder, screen, onsets):
    """Milliseconds from each sound onset to the left lamp lit on screen; an
    onset is left out when the lamp was still lit before it or never lit."""
    x, y, _, _ = app.geometry()
    dark = screen.pixel(x + 8, y + 5)
    lit = lambda: screen.pixel(x + 8, y + 5) != dark
    delays = []
    for _ in range(onsets):
        # The lamp falls back slowly, and more slowly still on a busy machine.
        if not wait_while(lit, 2, 0.001):
            continue
        onset = feeder.sound_onset()
        # Polled every half millisecond: a busy loop would take a core from
        # the program it is timing on a 2-core machine.
        if wait_while(lambda: not lit(), 1, 0.0005):
            delays.append(1000 * (time.monotonic() - onset))
        time.sleep(0.2)
        feeder.loud = False
    return delays


def set_capture(harness, app, on):
    """Starts or stops capture from the strip's menu and waits until the audio
    server has the program's recording stream, or no longer has it: on a busy
    machine a menu click now and then goes astray, so it is made again."""
    recording = lambda: harness.run("pactl", "list", "short", "source-outputs").strip() != ""
    for _ in range(3):
        app.choose("s" if on else "p")
        if wait_while(lambda: recording() != on, 5, 0.05):
            return
    sys.exit(f"strip_bench: capture did not {'start' if on else 'stop'}")


def spread(values, unit):
    return (f"median {statistics.median(values):.1f} {unit}, min {min(values):.1f} {unit}, "
            f"max {max(values):.1f} {unit}")


def main():
    start_desktop()
    import harness  # noqa: E402  (needs the desktop's environment)
    os.environ.update(harness.ENV)  # the feeder's audio server

    app = harness.SonalixApp().start()
    pid = app.process.pid
    runs = []
    load_before = os.getloadavg()[0]
    try:
        server = wineserver_pid(harness.ENV["WINEPREFIX"])
        if server is None:
            sys.exit("strip_bench: no Wine server runs for " + harness.ENV["WINEPREFIX"])
        idle_cpu, idle_server = measure_cpu(pid, SECONDS, server)
        feeder = Feeder()
        screen = Screen(harness.ENV["DISPLAY"])
        for _ in range(RUNS):
            set_capture(harness, app, True)
            time.sleep(1)
            delays = lamp_delays(app, feeder, screen, ONSETS)
            feeder.loud = True
            busy_cpu, busy_server = measure_cpu(pid, SECONDS, server)
            feeder.loud = False
            runs.append((delays, busy_cpu, busy_server))
            set_capture(harness, app, False)
        rss = rss_kib(pid)
        load_after = os.getloadavg()[0]
        feeder.stop()
        app.close_with_alt_f4()
    finally:
        app.kill()
        subprocess.run([os.path.join(ROOT, "scripts", "desktop.sh"), "stop", DESK], check=False)

    size = os.path.getsize(os.path.join(BIN, "Sonalix.exe"))
    print(f"Machine: {os.cpu_count()} cores, load average {load_before:.1f} before the runs, {load_after:.1f} after")
    print(f"Sonalix.exe size:                 {size / 1024:.0f} KiB")
    print(f"CPU, strip idle ({SECONDS:.0f} s):        {idle_cpu:.2f} % of one core (+ wineserver {idle_server:.2f} %)")
    print(f"Resident memory while capturing:  {rss / 1024:.1f} MiB")
    for number, (delays, busy_cpu, busy_server) in enumerate(runs, 1):
        lamp = spread(delays, "ms") + f" ({len(delays)} of {ONSETS} timed)" if delays else "never lit"
        print(f"Run {number}: onset to lit lamp {lamp}; CPU capturing {busy_cpu:.2f} % (+ wineserver {busy_server:.2f} %)")
    all_delays = [d for delays, _, _ in runs for d in delays]
    if all_delays:
        print(f"Onset to lit lamp, all {len(all_delays)} onsets: " + spread(all_delays, "ms"))
        print("Onset to lit lamp, run medians: " + spread([statistics.median(d) for d, _, _ in runs if d], "ms"))
    print(f"CPU capturing a tone, {RUNS} runs of {SECONDS:.0f} s: " + spread([c for _, c, _ in runs], "%")
          + "; wineserver " + spread([w for _, _, w in runs], "%"))


if __name__ == "__main__":
    main()
