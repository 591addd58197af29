#!/usr/bin/env python3
"""Measures the native strip and the PulseAudio project's own meter
(`pavumeter --record`) on one virtual desktop, recording the same null sink
monitor with the same sink latency, and prints both side by side:

- CPU while capturing a steady tone: the meter's own process, and the X
  server's and the audio server's extra work over the same period; then
  again while the tone's loudness keeps changing, so that the strip redraws
  on every one of its 100 ticks a second; and over both periods, how often
  the meter's threads woke, all of them together;
- memory: VmRSS and PSS (shared library pages divided among their users);
- the delay from a sound's onset, the earliest moment the null sink can hand
  its first sample to its monitor, to the meter showing it on screen (the
  strip's left lamp, the first pixel of the peer's left bar);
- the strip's heap allocations per second while capturing (a preloaded
  counter), where 100 ticks and 100 buffers a second should add none;
- CPU and wake-ups per second at rest: the strip after Stop, once its bars
  and peak marks have fallen; the peer, which cannot stop, in silence.

Rounds alternate between the two meters (strip first in odd rounds, the peer
in even ones), so that the machine's drift touches both alike. All of it runs
through PulseAudio, then again through PipeWire's PulseAudio server
(pipewire-pulse with wireplumber) serving the same null sink, where installed.

Usage: bench/side_by_side.py [seconds [rounds [onsets [keep_alive_ms]]]]
(default 10 3 15 40: the desktop's keep-alive stream at 40 ms runs the sink at
about 10 ms). Needs `cmake --build --preset linux`; starts and stops its own
desktop."""
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import time

from measure import (Feeder, InputArrivals, Screen, between, lamp_delays, pss_kib, rss_kib, spread, thread_cpu, thread_wakeups,
                     wait_while)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DESK = os.path.join(ROOT, "build", "bench-native-desktop")
BUILD = os.path.join(ROOT, "build", "linux")
SECONDS = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
ONSETS = int(sys.argv[3]) if len(sys.argv) > 3 else 15
KEEP_ALIVE_MS = int(sys.argv[4]) if len(sys.argv) > 4 else 40
PEER_TITLE = "PulseAudio Volume Meter"
PEER_BAR = (119, 99)  # the first pixel of the peer's left bar, in its window


def start_desktop():
    env = dict(os.environ, SONALIX_KEEPALIVE_MSEC=str(KEEP_ALIVE_MS))
    subprocess.run([os.path.join(ROOT, "scripts", "desktop.sh"), "start", DESK, "--native"], env=env, check=True,
                   stdout=subprocess.DEVNULL)
    os.environ["SONALIX_DESKTOP_DIR"] = DESK
    os.environ["SONALIX_BIN_DIR"] = os.path.join(BUILD, "bin")
    sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))


def pids(name):
    with open(os.path.join(DESK, name)) as f:
        return [int(line) for line in f if line.strip()]


def audio_servers():
    """The audio server's processes: PulseAudio, or PipeWire with its session
    manager and its PulseAudio server; the keep-alive stream, last, is not one."""
    return tuple(pids("audio.pids")[:-1])


def switch_to_pipewire():
    """The same null sink, socket and keep-alive, served by PipeWire."""
    desktop = os.path.join(ROOT, "scripts", "desktop.sh")
    subprocess.run([desktop, "audio-off", DESK], check=True)
    env = dict(os.environ, SONALIX_AUDIO_SERVER="pipewire", SONALIX_KEEPALIVE_MSEC=str(KEEP_ALIVE_MS))
    subprocess.run([desktop, "audio-on", DESK], env=env, check=True, stdout=subprocess.DEVNULL)


def sink_latency_ms(desk):
    """The null sink's configured latency, as the audio server reports it."""
    sinks = desk.run("pactl", "list", "sinks")
    return int(re.search(r"Latency: \d+ usec, configured (\d+) usec", sinks).group(1)) / 1000


def recording(desk):
    return desk.run("pactl", "list", "short", "source-outputs").strip() != ""


class Strip:
    name = "strip"

    def __init__(self, desk, native_app, env=None):
        self.desk = desk
        self.app = native_app.NativeApp()
        self.app.env.update(env or {})

    def start(self):
        self.app.start()
        self.app.choose("開始(&S)", lambda: recording(self.desk), "the strip's recording stream")
        x, y, _, _ = self.app.geometry()
        self.pixel = (x + 8, y + 5)
        self.pid = self.app.process.pid
        return self

    def rest(self):
        self.app.choose("停止(&P)", lambda: not recording(self.desk), "the strip's recording stream to end")

    def stop(self):
        try:
            self.app.choose("終了(&X)", lambda: self.app.process.poll() is not None, "the strip to end")
        finally:
            self.app.kill()


class Peer:
    name = "peer"

    def __init__(self, desk):
        self.desk = desk
        self.process = None

    def start(self):
        self.process = subprocess.Popen(["pavumeter", "--record"], env=self.desk.ENV, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        window = self.desk.wait_until(lambda: self.desk.visible_windows(name="^" + PEER_TITLE + "$"),
                                         timeout=30, what="the peer's window")[0]
        self.desk.wait_until(lambda: recording(self.desk), what="the peer's recording stream")
        x, y, _, _ = self.desk.geometry(window)
        self.pixel = (x + PEER_BAR[0], y + PEER_BAR[1])
        self.pid = self.process.pid
        return self

    def rest(self):
        """The peer has no way to stop recording: it rests in silence."""

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def cpu_percent(groups, seconds):
    """Each group of processes' CPU over the same period, in % of one core,
    and the first process's wake-ups per second (all its threads) over it."""
    def cpu():
        return [[thread_cpu(p) for p in group] for group in groups]
    runs, before, start = thread_wakeups(groups[0][0]), cpu(), time.monotonic()
    time.sleep(seconds)
    after, end = cpu(), time.monotonic()
    wakeups = between(runs, thread_wakeups(groups[0][0])) / (end - start)
    return [100 * sum(map(between, b, a)) / (end - start) for b, a in zip(before, after)], wakeups


# How long the strip's highest peak mark takes to fall (0.006 units/tick² from
# 105 units: 188 ticks), with room for a slow machine.
FALL_SECONDS = 3


def measure_round(meter, feeder, screen, servers, dated_inputs):
    """One meter from its start to its end: onsets, then CPU over a steady
    tone, then memory, then CPU and wake-ups at rest."""
    meter.start()
    try:
        time.sleep(1)  # past start-up work and the first redraws
        # A recording client may ask the sink for a shorter latency.
        sink = sink_latency_ms(meter.desk)
        feeder.ahead = sink / 1000
        after_input = []
        if dated_inputs:
            # Only while the onsets are timed: the CPU measured after them is the meters' and their servers' alone.
            arrivals = InputArrivals()
            try:
                delays, after_input = lamp_delays(meter.pixel, feeder, screen, ONSETS, arrivals)
            finally:
                arrivals.stop()
        else:
            delays = lamp_delays(meter.pixel, feeder, screen, ONSETS)
        feeder.loud = True
        time.sleep(0.5)
        (client, x_server, audio_server), wakeups = cpu_percent([(meter.pid,), *servers], SECONDS)
        feeder.moving = True
        time.sleep(0.5)
        (moving, moving_x, _), moving_wakeups = cpu_percent([(meter.pid,), *servers], SECONDS)
        rss, pss = rss_kib(meter.pid), pss_kib(meter.pid)
        feeder.loud = feeder.moving = False
        meter.rest()
        time.sleep(FALL_SECONDS)
        (resting,), resting_wakeups = cpu_percent([(meter.pid,)], SECONDS)
    finally:
        meter.stop()
    wait_while(lambda: recording(meter.desk), 5, 0.05)
    return dict(sink=sink, delays=delays, after_input=after_input, client=client, x_server=x_server, audio_server=audio_server, moving=moving,
                moving_x=moving_x, wakeups=wakeups, moving_wakeups=moving_wakeups, rss=rss, pss=pss, resting=resting,
                resting_wakeups=resting_wakeups)


def allocations_per_second(desk, native_app, feeder):
    """The strip's heap allocations per second while it captures a tone."""
    counts = os.path.join(DESK, "alloc-counts")
    if os.path.exists(counts):
        os.remove(counts)
    counter = os.path.join(BUILD, "bench", "liballoc_counter.so")
    strip = Strip(desk, native_app, {"LD_PRELOAD": counter, "SONALIX_ALLOC_COUNTS": counts}).start()
    try:
        feeder.loud = True
        time.sleep(1)
        os.kill(strip.pid, signal.SIGUSR1)
        start = time.monotonic()
        time.sleep(SECONDS)
        os.kill(strip.pid, signal.SIGUSR1)
        end = time.monotonic()
        feeder.loud = False
        desk.wait_until(lambda: os.path.exists(counts) and len(open(counts).read().split()) >= 2,
                           what="the allocation counts")
    finally:
        strip.stop()
    first, second = (int(v) for v in open(counts).read().split()[:2])
    return (second - first) / (end - start)


def latencies(results):
    return "/".join(sorted({f"{r['sink']:.1f}" for r in results})) + " ms"


def column(results, key, unit, scale=1.0):
    values = [r[key] * scale for r in results]
    return f"{statistics.median(values):7.2f} {unit} ({min(values):.2f}-{max(values):.2f})"


def measure_server(desk, native_app, screen, pulseaudio):
    """Both meters in alternating rounds on the desktop's present audio server.
    Through PulseAudio it also counts the strip's allocations, and dates the
    tone's arrival at the input with a recorder of its own (at the sink's
    latency, which the keep-alive already sets, it changes nothing; PipeWire
    could choose another quantum for it)."""
    results = {"strip": [], "peer": []}
    # The feeder's buffer at the keep-alive's, so that it leaves the sink's latency as the keep-alive set it.
    latency = sink_latency_ms(desk)
    feeder = Feeder(buffer_ms=KEEP_ALIVE_MS)
    servers = ((pids("pids")[0],), audio_servers())  # Xvfb; the audio server's processes
    try:
        # Also the warm-up: the first start in a fresh home costs more than any later one.
        allocations = allocations_per_second(desk, native_app, feeder) if pulseaudio else None
        for number in range(ROUNDS):
            meters = [Strip(desk, native_app), Peer(desk)]
            for meter in meters if number % 2 == 0 else reversed(meters):
                results[meter.name].append(measure_round(meter, feeder, screen, servers, pulseaudio))
    finally:
        feeder.stop()
    return latency, results, allocations


def report(server, latency, results, allocations):
    print(f"Audio server: {server}")
    print(f"Sink latency: {latency:.1f} ms with no meter (keep-alive stream at {KEEP_ALIVE_MS} ms); while "
          f"measuring: strip {latencies(results['strip'])}, peer {latencies(results['peer'])}")
    print(f"{'':28}{'strip (sonalix)':34}peer (pavumeter --record)")
    rows = (("CPU, the meter", "client", "%", 1.0), ("CPU, X server's share", "x_server", "%", 1.0),
            ("CPU, audio server's share", "audio_server", "%", 1.0), ("CPU, moving tone, meter", "moving", "%", 1.0),
            ("CPU, moving tone, X server", "moving_x", "%", 1.0),
            ("wake-ups, steady tone", "wakeups", "/s", 1.0), ("wake-ups, moving tone", "moving_wakeups", "/s", 1.0),
            ("VmRSS", "rss", "MiB", 1 / 1024),
            ("PSS", "pss", "MiB", 1 / 1024), ("CPU at rest, the meter", "resting", "%", 1.0),
            ("wake-ups at rest", "resting_wakeups", "/s", 1.0))
    for title, key, unit, scale in rows:
        print(f"{title:28}{column(results['strip'], key, unit, scale):34}{column(results['peer'], key, unit, scale)}")
    for name, label in (("strip", "strip, onset to lit lamp"), ("peer", "peer, onset to lit bar")):
        delays = [d for r in results[name] for d in r["delays"]]
        timed = f"{len(delays)} of {ROUNDS * ONSETS} onsets"
        print(f"{label:28}" + (spread(delays, "ms") + f" ({timed})" if delays else "never lit"))
        after_input = [d for r in results[name] for d in r["after_input"]]
        if after_input:
            print(f"{'  of it after the input':28}" + spread(after_input, "ms") + f" ({len(after_input)} dated)")
    if allocations is not None:
        print(f"Strip allocations while capturing: {allocations:.1f} per second "
              f"({allocations / 100:.2f} per 10 ms tick and buffer)")


def main():
    for needed in (os.path.join(BUILD, "bin", "sonalix"), os.path.join(BUILD, "bench", "liballoc_counter.so")):
        if not os.path.exists(needed):
            sys.exit(f"side_by_side: {needed} is missing: cmake --preset linux && cmake --build --preset linux")
    start_desktop()
    import desk  # noqa: E402  (needs the desktop's environment)
    import native_app  # noqa: E402
    os.environ.update(desk.ENV)  # the feeder's audio server

    load_before = os.getloadavg()[0]
    measured = []
    try:
        screen = Screen(desk.ENV["DISPLAY"])
        measured.append(("PulseAudio", *measure_server(desk, native_app, screen, True)))
        if shutil.which("pipewire-pulse"):
            switch_to_pipewire()
            measured.append(("PipeWire's PulseAudio server", *measure_server(desk, native_app, screen, False)))
    finally:
        subprocess.run([os.path.join(ROOT, "scripts", "desktop.sh"), "stop", DESK], check=False)
    load_after = os.getloadavg()[0]

    print(f"Machine: {os.cpu_count()} cores, load average {load_before:.1f} before, {load_after:.1f} after")
    print("Onsets taken one sink latency before the tone's time of play (the sink hands its monitor that much "
          "at once), so delays are upper bounds; \"after the input\": from the moment the server handed the tone "
          "to a recorder of the bench's own at the meters' latency")
    print(f"{ROUNDS} rounds per meter, alternating; CPU over {SECONDS:.0f} s of a steady tone, then of a tone "
          "whose loudness keeps changing (the strip redraws on every tick); at rest: the strip stopped and its "
          "bars down, the peer in silence; median (min-max) of the rounds")
    for server in measured:
        report(*server)
    if len(measured) == 1:
        print("PipeWire's PulseAudio server (pipewire-pulse) is not installed: measured through PulseAudio only")


if __name__ == "__main__":
    main()
