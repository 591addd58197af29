#!/usr/bin/env python3
"""A mutation check of our own tests: plausible slips, made one at a time.

Each slip of scripts/mutations.py is an exact text of a source (it must occur
exactly once in its file), the text a careless edit could have left there, the
build that runs the tests of its area and those tests. For each slip this
writes the slip into the file, rebuilds the named targets incrementally, runs
the named tests and puts the file back byte for byte (also on Ctrl+C, SIGTERM
or an error; a run killed outright is repaired by the next one from the copy
it keeps in build/mutate/). It prints one line per slip:

  killed       a test failed (named after "by")
  survived     every test passed: a fault the tests let through
  invalid      the slip does not compile, or names no test: fix the slip
  equivalent   survived, as its mark says it must (the mark's reason follows)
  wrong mark   marked equivalent, yet a test told it apart

and then `killed K / survived S / invalid I of N`. Exit status 0 only when
nothing survived that is not marked equivalent, nothing is invalid and no
mark is wrong; 2 when the list does not follow the code or the unmutated tree
fails to build or to pass the chosen tests.

Usage:
  scripts/mutate.py                 every slip
  scripts/mutate.py --list          the slips, without running anything
  scripts/mutate.py --id ID...      only these slips
  scripts/mutate.py --area AREA...  only the slips of these areas
  scripts/mutate.py --preset P...   only the slips tested in these builds
  scripts/mutate.py --no-baseline   skip the run of the chosen tests on the
                                    unmutated tree before the first slip

Every build and test runs under `nice -n 10` with at most two jobs. Logs of
each slip's build and tests are kept in build/mutate/<id>.log.
"""
import argparse
import fnmatch
import re
import shlex
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(Path(__file__).resolve().parent))
from mutations import AREAS, SLIPS  # noqa: E402  (the list beside this script)

WORK = ROOT / "build" / "mutate"
# A slip's file as it was, and its name, while the slip is in it: a run that
# was killed before it could restore the file is repaired by the next one.
JOURNAL = WORK / "in-progress"
SAVED = WORK / "in-progress.original"
JOBS = "2"
NICE = ["nice", "-n", "10"]
FIELDS = {"id", "area", "file", "original", "replacement", "preset", "tests", "targets", "equivalent"}
PRESETS = {"host", "host-tsan", "linux", "win32"}


class Interrupted(Exception):
    """SIGTERM, handled as Ctrl+C is: the file goes back before the run ends."""


def fail(message):
    print(f"mutate.py: {message}", file=sys.stderr)
    sys.exit(2)


def check_list():
    """Every slip well formed, its original text once in its file."""
    seen = set()
    for slip in SLIPS:
        name = slip.get("id", "?")
        missing = {"id", "area", "file", "original", "replacement", "preset", "tests", "targets"} - slip.keys()
        if missing or slip.keys() - FIELDS:
            fail(f"slip {name}: fields missing {sorted(missing)} or unknown {sorted(slip.keys() - FIELDS)}")
        if name in seen:
            fail(f"slip {name} is listed twice")
        seen.add(name)
        if slip["area"] not in AREAS or slip["preset"] not in PRESETS:
            fail(f"slip {name}: unknown area {slip['area']} or preset {slip['preset']}")
        if slip["original"] == slip["replacement"]:
            fail(f"slip {name} changes nothing")
        path = ROOT / slip["file"]
        if not path.is_file():
            fail(f"slip {name}: no file {slip['file']}")
        count = path.read_text(encoding="utf-8").count(slip["original"])
        if count != 1:
            fail(f"slip {name}: its original text occurs {count} times in {slip['file']}, not once; "
                 "the list must follow the code")


def restore_interrupted_run():
    if not JOURNAL.exists():
        return
    target = ROOT / JOURNAL.read_text(encoding="utf-8").strip()
    target.write_bytes(SAVED.read_bytes())
    SAVED.unlink()
    JOURNAL.unlink()
    print(f"mutate.py: put back {target.relative_to(ROOT)}, left with a slip in it by a run that was killed")


def wine_arch():
    """The Windows build Wine runs here: win64 where it runs no 32-bit code."""
    result = subprocess.run(["bash", "-c", ". scripts/wine-env.sh && echo $SONALIX_WINE_ARCH"], cwd=ROOT,
                            capture_output=True, text=True, check=True)
    return result.stdout.strip()


def run(command, log):
    """Runs `command` in the tree with Wine's variables set, its output appended to `log`; its status."""
    with open(log, "a", encoding="utf-8") as out:
        out.write(f"$ {shlex.join(command)}\n")
        out.flush()
        return subprocess.run(["bash", "-c", '. scripts/wine-env.sh && exec "$@"', "bash", *command], cwd=ROOT,
                              stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL).returncode


def build(preset, targets, log):
    return run([*NICE, "cmake", "--build", "--preset", preset, "-j", JOBS, "--target", *targets], log) == 0


def test(preset, tests, log):
    """Runs the tests; their status and where their output begins in the log."""
    begins = log.stat().st_size if log.exists() else 0
    # No test at all is a slip that names none, never a pass.
    status = run([*NICE, "ctest", "--preset", preset, "-j", JOBS, "--no-tests=error", "--output-on-failure",
                  *shlex.split(tests)], log)
    return status, begins


def failures(log, begins):
    """The failed tests that one ctest run's output names, GoogleTest's cases with their executable."""
    with open(log, "rb") as out:
        out.seek(begins)
        text = out.read().decode("utf-8", errors="replace")
    if "No tests were found" in text:
        return None
    tests = re.findall(r"^\s*\d+ - (\S+) \(", text[text.find("The following tests FAILED:"):], re.M)
    cases = sorted(set(re.findall(r"^\[  FAILED  \] ([\w/]+\.[\w/*]+)", text, re.M)))
    named = ", ".join(tests) or "its tests"
    # ctest names a Win32 test executable, which holds many cases.
    if cases and not all(any(fnmatch.fnmatchcase(case, t) for t in tests) for case in cases):
        named += f" ({', '.join(cases[:4])}{', ...' if len(cases) > 4 else ''})"
    return named


def apply(slip, text):
    path = ROOT / slip["file"]
    SAVED.write_bytes(path.read_bytes())
    JOURNAL.write_text(slip["file"], encoding="utf-8")
    path.write_bytes(text.replace(slip["original"], slip["replacement"], 1).encode("utf-8"))


def put_back(slip, original):
    (ROOT / slip["file"]).write_bytes(original)
    JOURNAL.unlink(missing_ok=True)
    SAVED.unlink(missing_ok=True)


def try_slip(slip, preset):
    log = WORK / f"{slip['id']}.log"
    log.unlink(missing_ok=True)
    path = ROOT / slip["file"]
    original = path.read_bytes()
    apply(slip, original.decode("utf-8"))
    try:
        if not build(preset, slip["targets"].split(), log):
            return "invalid", f"does not build (see {log.relative_to(ROOT)})"
        status, begins = test(preset, slip["tests"], log)
        if status == 0:
            return "survived", f"(see {log.relative_to(ROOT)})"
        named = failures(log, begins)
        if named is None:
            return "invalid", f"names no test (see {log.relative_to(ROOT)})"
        return "killed", f"by {named}"
    finally:
        put_back(slip, original)


def main():
    parser = argparse.ArgumentParser(description="Applies plausible slips one at a time and runs their tests.")
    parser.add_argument("--list", action="store_true", help="list the slips and stop")
    parser.add_argument("--id", nargs="+", default=[], help="only these slips")
    parser.add_argument("--area", nargs="+", default=[], choices=sorted(AREAS), help="only these areas")
    parser.add_argument("--preset", nargs="+", default=[], choices=sorted(PRESETS), help="only these builds' slips")
    parser.add_argument("--no-baseline", action="store_true", help="do not run the tests unmutated first")
    args = parser.parse_args()

    check_list()
    unknown = set(args.id) - {slip["id"] for slip in SLIPS}
    if unknown:
        fail(f"no slip {', '.join(sorted(unknown))}")
    chosen = [s for s in SLIPS if (not args.id or s["id"] in args.id) and (not args.area or s["area"] in args.area)
              and (not args.preset or s["preset"] in args.preset)]
    if args.list:
        for slip in chosen:
            mark = f"  [equivalent: {slip['equivalent']}]" if "equivalent" in slip else ""
            print(f"{slip['id']:32} {slip['area']:9} {slip['preset']:9} {slip['file']}  {slip['tests']}{mark}")
        print(f"{len(chosen)} slips")
        return 0

    WORK.mkdir(parents=True, exist_ok=True)
    restore_interrupted_run()

    def on_term(_signal, _frame):
        raise Interrupted()

    signal.signal(signal.SIGTERM, on_term)
    started = time.monotonic()
    # The list names the 32-bit Windows build; where Wine runs no 32-bit
    # code, the 64-bit build of the same sources runs its tests.
    windows = wine_arch() if any(s["preset"] == "win32" for s in chosen) else "win32"
    preset_of = {p: (windows if p == "win32" else p) for p in PRESETS}
    presets = sorted({preset_of[s["preset"]] for s in chosen})
    setup_log = WORK / "setup.log"
    setup_log.unlink(missing_ok=True)
    try:
        for preset in presets:
            targets = sorted({t for s in chosen if preset_of[s["preset"]] == preset for t in s["targets"].split()})
            print(f"building {preset}: {' '.join(targets)}", flush=True)
            if run(["cmake", "--preset", preset], setup_log) != 0 or not build(preset, targets, setup_log):
                fail(f"the unmutated tree does not build in {preset} (see {setup_log.relative_to(ROOT)})")
        if not args.no_baseline:
            for preset, tests in sorted({(preset_of[s["preset"]], s["tests"]) for s in chosen}):
                print(f"unmutated {preset}: {tests}", flush=True)
                if test(preset, tests, setup_log)[0] != 0:
                    fail(f"the unmutated tree fails {preset}'s {tests} (see {setup_log.relative_to(ROOT)})")

        counts = {"killed": 0, "survived": 0, "invalid": 0, "equivalent": 0, "wrong mark": 0}
        for slip in chosen:
            began = time.monotonic()
            verdict, detail = try_slip(slip, preset_of[slip["preset"]])
            if "equivalent" in slip and verdict == "survived":
                verdict, detail = "equivalent", slip["equivalent"]
            elif "equivalent" in slip and verdict == "killed":
                verdict = "wrong mark"
            counts[verdict] += 1
            seconds = round(time.monotonic() - began)
            print(f"{verdict:11} {slip['id']:32} {slip['file']}: {detail} [{seconds} s]", flush=True)
    except (KeyboardInterrupt, Interrupted):
        print("mutate.py: interrupted; every file is as it was", file=sys.stderr)
        return 130

    # The builds hold the last slip's objects until they are built again.
    for preset in presets:
        targets = sorted({t for s in chosen if preset_of[s["preset"]] == preset for t in s["targets"].split()})
        build(preset, targets, setup_log)
    extra = ", ".join(f"{counts[k]} {k}" for k in ("equivalent", "wrong mark") if counts[k])
    print(f"killed {counts['killed']} / survived {counts['survived']} / invalid {counts['invalid']} of {len(chosen)}"
          + (f" ({extra})" if extra else "") + f" in {round(time.monotonic() - started)} s")
    return 0 if counts["survived"] == counts["invalid"] == counts["wrong mark"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
