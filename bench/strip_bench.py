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
import os
import statistics
import subprocess
import sys
import time

from measure import Feeder, Screen, between, lamp_delays, rss_kib, spread, thread_cpu

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
    a, s0, t0 = thread_cpu(pid), thread_cpu(server), time.monotonic()
    time.sleep(seconds)
    a1, s1, t1 = thread_cpu(pid), thread_cpu(server), time.monotonic()
    return 100 * between(a, a1) / (t1 - t0), 100 * between(s0, s1) / (t1 - t0)


def set_capture(harness, app, on):
    """Starts or stops capture from the strip's menu and waits until the audio
    server has the program's recording stream, or no longer has it (the
    harness clicks the row again when a click goes astray)."""
    recording = lambda: harness.run("pactl", "list", "short", "source-outputs").strip() != ""
    try:
        app.choose("開始(&S)" if on else "停止(&P)", lambda: recording() == on, "the recording stream")
    except AssertionError:
        sys.exit(f"strip_bench: capture did not {'start' if on else 'stop'}")


def main():
    start_desktop()
    import harness  # noqa: E402  (needs the desktop's environment)
    os.environ.update(harness.ENV)  # the feeder's audio server

    app = harness.WineApp().start()
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
            x, y, _, _ = app.geometry()
            delays = lamp_delays((x + 8, y + 5), feeder, screen, ONSETS)
            feeder.loud = True
            busy_cpu, busy_server = measure_cpu(pid, SECONDS, server)
            feeder.loud = False
            runs.append((delays, busy_cpu, busy_server))
            set_capture(harness, app, False)
        rss = rss_kib(pid)
        load_after = os.getloadavg()[0]
        feeder.stop()
        app.request_close()
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
