#!/usr/bin/env python3
"""Prints, for every failed test in ctest's JUnit reports, its name and the
end of its output: a CI log is often shown by its tail alone, and the cause
of a failure must be there, not hundreds of lines up in a lane's log."""
import sys
import xml.etree.ElementTree as ET

TAIL_LINES = 25


def failed_tests(report):
    try:
        root = ET.parse(report).getroot()
    except (OSError, ET.ParseError) as error:
        print(f"test-failures: {report}: {error}", file=sys.stderr)
        return
    for case in root.iter("testcase"):
        if case.get("status") == "fail" or case.find("failure") is not None:
            yield case.get("name", "?"), case.findtext("system-out") or ""


def main(reports):
    for report in reports:
        for name, output in failed_tests(report):
            lines = output.rstrip("\n").splitlines()
            print(f"--- failed: {name} ({report}), its last {min(len(lines), TAIL_LINES)} lines:")
            for line in lines[-TAIL_LINES:]:
                print(f"    {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
