"""The strip's geometry model (tools/meter_model.py), which the skins and the
end-to-end tests follow, against the composer the program draws with: for
levels across the whole scale, the model's picture takes each pixel from the
same place in the same skin as the composer's copies do.

Usage: meter_model_check.py METER_PICTURES_EXECUTABLE
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools"))
import meter_model  # noqa: E402


def cases():
    """(left level, left peak, right level, right peak): every drawing step,
    the lamp's threshold on either side, bars without marks and marks above
    bars, each channel alone and both."""
    values = sorted({v / 4 for v in range(0, 4 * meter_model.MAX_LEVEL + 1)} | {0.9, 1.0001, 1.99, 2.01})
    for v in values:
        yield v, v, 0.0, 0.0
        yield 0.0, 0.0, v, v
        yield v / 2, v, v, min(v + 13.25, meter_model.MAX_LEVEL)


def model_origins(channels):
    width, height = meter_model.STRIP_SIZE
    main = [[("M", x, y) for x in range(width)] for y in range(height)]
    parts = [[("P", x, y) for x in range(width)] for y in range(meter_model.PARTS_SIZE[1])]
    picture = meter_model.picture(main, parts, channels)
    return {f"{x} {y} {skin} {sx} {sy}"
            for y, row in enumerate(picture) for x, (skin, sx, sy) in enumerate(row) if (skin, sx, sy) != ("M", x, y)}


def main():
    levels = list(cases())
    text = "".join(f"{a!r} {b!r} {c!r} {d!r}\n" for a, b, c, d in levels)
    result = subprocess.run([sys.argv[1]], input=text, capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        sys.exit(f"{sys.argv[1]} failed ({result.returncode}): {result.stderr}")
    pictures = [set()]
    for line in result.stdout.splitlines():
        if line == "-":
            pictures.append(set())
        else:
            pictures[-1].add(line)
    pictures.pop()
    if len(pictures) != len(levels):
        sys.exit(f"{len(levels)} cases, {len(pictures)} pictures")
    failures = 0
    for (a, b, c, d), composed in zip(levels, pictures):
        expected = model_origins(((a, b), (c, d)))
        got = composed
        if got != expected:
            failures += 1
            if failures <= 5:
                print(f"levels {a} {b} / {c} {d}: only the composer {sorted(got - expected)[:6]}, "
                      f"only the model {sorted(expected - got)[:6]}")
    if failures:
        sys.exit(f"the model and the composer differ for {failures} of {len(levels)} cases")
    print(f"the model draws as the composer for all {len(levels)} cases")


if __name__ == "__main__":
    main()
