"""Runs the end-to-end suites against a built chromafold.

usage: run.py --program PATH [--injected PATH] [--runner "CMD ..."] [--crlf]
              [--sanitized] SUITE...

The program may sit behind a runner command (an emulator, for example); with
--crlf the console streams are expected to end lines in CR LF. --injected names
the test build whose source reads fail on request; --sanitized says that the
programs carry AddressSanitizer, which needs more address space than some
tests leave.
"""
import argparse
import os
import shlex
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--injected")
    parser.add_argument("--runner", default="")
    parser.add_argument("--crlf", action="store_true")
    parser.add_argument("--sanitized", action="store_true")
    parser.add_argument("suites", nargs="+")
    options = parser.parse_args()
    harness.configure(os.path.abspath(options.program), options.injected and os.path.abspath(options.injected),
                      shlex.split(options.runner), options.crlf, options.sanitized)
    loader = unittest.defaultTestLoader
    suite = unittest.TestSuite(loader.loadTestsFromName("test_" + name) for name in options.suites)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
