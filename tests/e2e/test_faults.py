# Injected faults: every failure is reported, and nothing is lost.
import os
import unittest

import harness
from harness import Case, console, on_windows, progress, random_clip

GEOMETRY = ["-w", "40", "-h", "36"]  # clip: 40x36 -> 32x32, S = 2880, D = 1536
S, D = 2880, 1536

try:
    import resource
    import signal
except ImportError:  # not a POSIX system
    resource = None


def limit(kind, value):
    # A function that sets the resource limit `kind` in the child before it runs.
    def set_limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(kind, (value, value))
    return set_limit


class Faults(Case):
    def run_untouched(self, clips, args, **kwargs):
        # Runs with the sources `clips` and checks that each keeps its bytes and its time.
        for name, data in clips.items():
            self.write(name, data)
        times = {name: os.stat(self.path(name)).st_mtime_ns for name in clips}
        got = self.run_program(*args, **kwargs)
        for name, data in clips.items():
            self.assertEqual((self.read(name), os.stat(self.path(name)).st_mtime_ns), (data, times[name]), name)
        return got

    def injected_run(self, clips, args, **faults):
        env = dict(os.environ, **{"CHROMAFOLD_INJECT_" + k.upper(): str(v) for k, v in faults.items()})
        return self.run_untouched(clips, args, env=env, binary=harness.injected)

    @unittest.skipIf(on_windows() or resource is None, "resource limits are a POSIX matter")
    def test_a_write_failing_part_way_keeps_what_was_written(self):
        clips = {"a.yuv": random_clip(40, 3 * S), "b.yuv": random_clip(41, S)}
        got = self.run_untouched(clips, GEOMETRY + ["a.yuv", "b.yuv"], limits=limit(resource.RLIMIT_FSIZE, D + 500))
        self.assertEqual(got, (0, b"frame: 0\r" + progress(1), b"error - failed on _write(size=1536) [dst]\n"))
        self.assertEqual(self.read("a.420"), self.model(clips["a.yuv"], 40, 36)[:D + 500])
        self.assertEqual(self.read("b.420"), self.model(clips["b.yuv"], 40, 36))

    def test_reads_that_fail_and_reads_and_writes_in_small_pieces(self):
        clips = {"a.yuv": random_clip(42, 5 * S + 1000), "b.yuv": random_clip(43, S)}
        message = console(b"error - failed on _read(size=2880) [src]\n")
        # A failure in the middle of a frame, and one at a frame's end: only whole frames are written.
        got = self.injected_run(clips, GEOMETRY + ["a.yuv"], read_fail_after=S + 100)
        self.assertEqual((got, self.read("a.420")), ((0, b"frame: 0\r", message), self.model(clips["a.yuv"][:S], 40, 36)))
        got = self.injected_run(clips, GEOMETRY + ["a.yuv", "b.yuv"], read_fail_after=2 * S)
        self.assertEqual(got, (0, b"frame: 0\rframe: 1\r", message * 2))
        self.assertEqual(self.read("a.420"), self.model(clips["a.yuv"][:2 * S], 40, 36))
        self.assertEqual(self.read("b.420"), b"")
        # Each frame's writes end in a piece of one byte: 1536 = 5 * 307 + 1.
        got = self.injected_run(clips, GEOMETRY + ["a.yuv"], read_piece=997, write_piece=307)
        self.assertEqual(got, (0, progress(5), b""))
        self.assertEqual(self.read("a.420"), self.model(clips["a.yuv"], 40, 36))

    @unittest.skipIf(on_windows() or resource is None, "resource limits are a POSIX matter")
    @unittest.skipIf(harness.sanitized, "AddressSanitizer needs more address space than the limit leaves")
    def test_a_failed_allocation_touches_no_file(self):
        clips = {"a.yuv": random_clip(45, 4096), "b.yuv": random_clip(46, 699840), "a.420": b"an earlier output"}
        # 32768 x 32768 needs 3.5 GiB of working buffer: every source is refused
        # alone, and the batch goes on.
        got = self.run_untouched(clips, ["-w", "32768", "-h", "32768", "a.yuv", "b.yuv"],
                                 limits=limit(resource.RLIMIT_AS, 1 << 30))
        self.assertEqual(got, (0, b"", b"error - no enough memory\n" * 2))
        self.assertEqual(sorted(os.listdir(self.cwd)), ["a.420", "a.yuv", "b.yuv"])
        # The same limit leaves room for frames of the default size, and for a
        # batch of 40 sources whose 56 MiB buffers would together exceed it.
        self.assert_run(["b.yuv"], stdout=progress(1), limits=limit(resource.RLIMIT_AS, 1 << 30))
        self.write("empty.yuv", b"")
        self.assert_run(["-w4096", "-h4096"] + ["empty.yuv"] * 40, limits=limit(resource.RLIMIT_AS, 1 << 30))

    @unittest.skipIf(on_windows() or resource is None, "resource limits are a POSIX matter")
    def test_sources_that_fail_after_opening_release_their_descriptors(self):
        # Far more failures than the limit allows descriptors: each must close
        # what it opened, or the good sources at the end could not be opened.
        clips = {f"s{i:02d}.420": random_clip(i, S) for i in range(40)}
        clips.update({"good.yuv": random_clip(50, S), "zero.yuv": b"x"})
        for i in range(40):
            os.mkdir(self.path(f"d{i:02d}.yuv"))
        fewer = limit(resource.RLIMIT_NOFILE, 24)
        got = self.run_untouched(clips, GEOMETRY + [f"{kind}{i:02d}.{extension}" for kind, extension in
                                                    (("s", "420"), ("d", "yuv")) for i in range(40)]
                                 + ["good.yuv"], limits=fewer)
        self.assertEqual(got[:2], (0, progress(1)))
        self.assertEqual(got[2].count(b"is the source file itself"), 40)
        self.assertEqual(got[2].count(b"failed on _open(d"), 40)
        self.assertEqual(self.read("good.420"), self.model(clips["good.yuv"], 40, 36))
        got = self.run_untouched(clips, ["-w", "0"] + ["zero.yuv"] * 40 + ["good.yuv"], limits=fewer)
        self.assertEqual(got[2].count(b"error - frame size is zero"), 41)
        # A program started with standard input closed opens its first source as descriptor 0.
        self.assert_run(GEOMETRY + ["good.yuv"], stdout=progress(1), limits=lambda: os.close(0))

    def test_a_mixed_batch_of_a_thousand_sources(self):
        kinds = ("missing", "empty", "short", "directory", "valid")
        names = [f"s{i:04d}.{kinds[i % 5]}" for i in range(1000)]
        clips = {name: {"empty": b"", "short": random_clip(i, 700), "valid": random_clip(i, 2 * 1024)}[kind]
                 for i, name in enumerate(names) if (kind := kinds[i % 5]) not in ("missing", "directory")}
        for name in names:
            if name.endswith(".directory"):
                os.mkdir(self.path(name))
        failures = b"".join(b"error - failed on _open(%s) [src]\n" % name.encode()
                            for name in names if name.endswith((".missing", ".directory")))
        got = self.run_untouched(clips, ["-w16", "-h32"] + names, timeout=600)
        self.assertEqual(got, (0, progress(2) * 200, console(failures)))
        # No other file appears; the empty and short sources leave empty outputs.
        outputs = [name.rsplit(".", 1)[0] + ".420" for name in clips]
        self.assertEqual(len(os.listdir(self.cwd)), len(clips) + len(outputs) + 200)
        self.assertEqual(b"".join(self.read(name) for name in outputs),
                         self.model(b"".join(clips[name] for name in clips if name.endswith(".valid")), 16, 32))
