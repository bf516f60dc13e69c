"""The native kestrow as Debian checks the hardening of its programs."""

import os
import subprocess
import unittest

KESTROW = os.environ["KESTROW_NATIVE"]


class NativeHardening(unittest.TestCase):
    def test_position_independent_stack_protected_fortified_and_bound_at_once(self):
        # Control-flow protection is left out: Debian 12's C start files lack its marking, so
        # no program linked here can carry it, and Debian 12 does not ask for it.
        checked = subprocess.run(["hardening-check", "--nocfprotection", KESTROW],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                 check=False)
        self.assertEqual(checked.returncode, 0, checked.stdout)


if __name__ == "__main__":
    unittest.main()
