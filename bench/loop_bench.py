#!/usr/bin/env python3
"""Runs build/linux/bench/loop_bench (which loop should carry the capture:
libpulse's own thread beside a 10 ms GLib timer, libpulse on GLib's main
loop, or libpulse's plain loop on a thread of its own) on a virtual desktop
of its own, whose null sink's monitor it records, and prints its table.

Usage: bench/loop_bench.py [seconds [rounds [keep_alive_ms [design]]]] (default 10 3 40, all designs:
the desktop's keep-alive stream at 40 ms runs the sink at about 10 ms, as
bench/side_by_side.py does). Needs `cmake --build --preset linux`."""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DESK = os.path.join(ROOT, "build", "bench-loop-desktop")
PROGRAM = os.path.join(ROOT, "build", "linux", "bench", "loop_bench")


def main():
    seconds, rounds = (sys.argv[1:3] + ["10", "3"][len(sys.argv[1:3]):])
    keep_alive_ms = sys.argv[3] if len(sys.argv) > 3 else "40"
    if not os.path.exists(PROGRAM):
        sys.exit(f"loop_bench: {PROGRAM} is missing: cmake --preset linux && cmake --build --preset linux")
    desktop = os.path.join(ROOT, "scripts", "desktop.sh")
    env = dict(os.environ, SONALIX_KEEPALIVE_MSEC=keep_alive_ms)
    subprocess.run([desktop, "start", DESK, "--native"], env=env, check=True, stdout=subprocess.DEVNULL)
    try:
        status = subprocess.run([desktop, "exec", DESK, PROGRAM, seconds, rounds, *sys.argv[4:5]],
                                check=False).returncode
    finally:
        subprocess.run([desktop, "stop", DESK], check=False)
    print(f"Machine: {os.cpu_count()} cores, load average {os.getloadavg()[0]:.1f} after")
    sys.exit(status)


if __name__ == "__main__":
    main()
