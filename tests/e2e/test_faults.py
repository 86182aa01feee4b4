"""Injected faults: every failure is reported, and nothing is lost."""
import os
import unittest

import harness
from harness import Case, console, model_file, on_windows, progress, random_clip

GEOMETRY = ["-w", "40", "-h", "36"]  # clip: 40x36 -> 32x32, S = 2880, D = 1536
S, D = 2880, 1536

try:
    import resource
    import signal
except ImportError:  # not a POSIX system
    resource = None


class Faults(Case):
    def sources(self, clips):
        """Writes the sources and returns what must stay of them: bytes and modification times."""
        for name, data in clips.items():
            self.write(name, data)
        return {name: (data, os.stat(self.path(name)).st_mtime_ns) for name, data in clips.items()}

    def assert_untouched(self, sources):
        for name, (data, mtime) in sources.items():
            self.assertEqual(self.read(name), data, name)
            self.assertEqual(os.stat(self.path(name)).st_mtime_ns, mtime, name)

    def injected_run(self, args, **faults):
        if not harness.injected:
            self.skipTest("no program with injected read faults was given")
        env = dict(os.environ, **{"CHROMAFOLD_INJECT_" + k.upper(): str(v) for k, v in faults.items()})
        return self.run_program(*args, env=env, binary=harness.injected)

    @unittest.skipIf(on_windows() or resource is None, "file size limits are a POSIX matter")
    def test_a_write_failing_part_way_keeps_what_was_written(self):
        clips = {"a.yuv": random_clip(40, 3 * S), "b.yuv": random_clip(41, S)}
        sources = self.sources(clips)
        limit = D + 500

        def limit_file_size():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

        got = self.run_program(*GEOMETRY, "a.yuv", "b.yuv", limits=limit_file_size)
        self.assertEqual(got, (0, b"frame: 0\r" + progress(1), b"error - failed on _write(size=1536) [dst]\n"))
        self.assertEqual(self.read("a.420"), model_file(clips["a.yuv"], 40, 36, 0)[:limit])
        self.assertEqual(self.read("b.420"), model_file(clips["b.yuv"], 40, 36, 0))
        self.assert_untouched(sources)

    def test_a_read_error_is_reported_without_a_finish_line(self):
        clips = {"a.yuv": random_clip(42, 4 * S), "b.yuv": random_clip(43, S)}
        sources = self.sources(clips)
        got = self.injected_run(GEOMETRY + ["a.yuv", "b.yuv"], read_fail_after=2 * S + 100)
        message = console(b"error - failed on _read(size=2880) [src]\n")
        self.assertEqual(got, (0, b"frame: 0\rframe: 1\r", message * 2))
        self.assertEqual(self.read("a.420"), model_file(clips["a.yuv"][:2 * S], 40, 36, 0))
        self.assertEqual(self.read("b.420"), b"")
        self.assert_untouched(sources)

    def test_reads_in_small_pieces_lose_no_frame(self):
        clips = {"a.yuv": random_clip(44, 5 * S + 1000)}
        sources = self.sources(clips)
        got = self.injected_run(GEOMETRY + ["a.yuv"], read_piece=997)
        self.assertEqual(got, (0, progress(5), b""))
        self.assertEqual(self.read("a.420"), model_file(clips["a.yuv"], 40, 36, 0))
        self.assert_untouched(sources)

    @unittest.skipIf(on_windows() or resource is None, "address space limits are a POSIX matter")
    @unittest.skipIf(harness.sanitized, "AddressSanitizer needs more address space than the limit leaves")
    def test_a_failed_allocation_touches_no_file(self):
        clips = {"a.yuv": random_clip(45, 4096), "b.yuv": random_clip(46, 699840)}
        sources = self.sources(clips)
        self.write("a.420", b"an earlier output")

        def limit_address_space():
            resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))

        # 32768 x 32768 needs 3.5 GiB of working buffer: every source is refused
        # alone, and the batch goes on.
        self.assert_run(["-w", "32768", "-h", "32768", "a.yuv", "b.yuv"],
                        stderr=b"error - no enough memory\n" * 2, limits=limit_address_space)
        self.assertEqual(sorted(os.listdir(self.cwd)), ["a.420", "a.yuv", "b.yuv"])
        self.assertEqual(self.read("a.420"), b"an earlier output")
        # The same limit leaves room for frames of the default size.
        self.assert_run(["b.yuv"], stdout=progress(1), limits=limit_address_space)
        self.assert_untouched(sources)

    def test_a_mixed_batch_of_a_thousand_sources(self):
        kinds = ("missing", "empty", "short", "directory", "valid")
        names = [f"s{i:04d}.{kinds[i % 5]}" for i in range(1000)]
        clips = {}
        for i, name in enumerate(names):
            kind = kinds[i % 5]
            if kind == "directory":
                os.mkdir(self.path(name))
            elif kind != "missing":
                clips[name] = {"empty": b"", "short": random_clip(i, 700), "valid": random_clip(i, 2 * 1024)}[kind]
        sources = self.sources(clips)
        failures = b"".join(b"error - failed on _open(%s) [src]\n" % name.encode()
                            for name in names if name.endswith((".missing", ".directory")))
        self.assert_run(["-w16", "-h32"] + names, stdout=progress(2) * 200, stderr=failures, timeout=600)
        outputs = {name.rsplit(".", 1)[0] + ".420": name for name in clips}
        expected_files = set(clips) | set(outputs) | {n for n in names if n.endswith(".directory")}
        self.assertEqual(set(os.listdir(self.cwd)), expected_files)
        for output, source in outputs.items():
            self.assertEqual(self.read(output), model_file(clips[source], 16, 32, 0), output)
        self.assert_untouched(sources)
