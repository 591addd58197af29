"""The window probe's own verdicts reach the tests: a run that fails must
raise, or every wait built on it would wait for nothing."""
import unittest

from harness import probe, run_probe


class Probe(unittest.TestCase):
    def test_a_failing_run_raises_and_a_good_one_lists_windows(self):
        with self.assertRaises(RuntimeError):
            run_probe("no-such-mode")
        self.assertTrue(all(isinstance(w["handle"], int) and w["handle"] for w in probe()))


if __name__ == "__main__":
    unittest.main()
