"""Runs the end-to-end suites against a built chromafold.

usage: run.py --program PATH [--runner "CMD ..."] [--crlf] SUITE...

The program may sit behind a runner command (an emulator, for example); with
--crlf the console streams are expected to end lines in CR LF.
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
    parser.add_argument("--runner", default="")
    parser.add_argument("--crlf", action="store_true")
    parser.add_argument("suites", nargs="+")
    options = parser.parse_args()
    harness.configure(os.path.abspath(options.program), shlex.split(options.runner), options.crlf)
    loader = unittest.defaultTestLoader
    suite = unittest.TestSuite(loader.loadTestsFromName("test_" + name) for name in options.suites)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
