# Runs the end-to-end suites against a built chromafold.
#
# usage: run.py --program PATH --model PATH [--injected PATH] [--runner "CMD ..."]
#               [--crlf] [--sanitized] SUITE...
#
# The program, and the model of its output, may sit behind a runner command (an
# emulator, for example); with --crlf the console streams are expected to end
# lines in CR LF. --injected names the test build whose source reads fail on
# request; --sanitized says that the programs carry AddressSanitizer, which needs
# more address space than some tests leave.
import argparse
import os
import shlex
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

parser = argparse.ArgumentParser()
for option in ("--program", "--model", "--injected"):
    parser.add_argument(option, type=os.path.abspath)
parser.add_argument("--runner", default="", type=shlex.split)
parser.add_argument("--crlf", action="store_true")
parser.add_argument("--sanitized", action="store_true")
parser.add_argument("suites", nargs="+")
o = parser.parse_args()
harness.program, harness.model, harness.injected = o.program, o.model, o.injected
harness.runner, harness.crlf, harness.sanitized = o.runner, o.crlf, o.sanitized
suite = unittest.TestSuite(unittest.defaultTestLoader.loadTestsFromName("test_" + name) for name in o.suites)
sys.exit(0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1)
