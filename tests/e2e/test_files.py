# The file loop: whole frames in, whole frames out, every failure reported with
# its message, and nothing lost, with faults injected where the system would
# not fail on request.
import hashlib
import os
import threading
import time
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
posix_only = unittest.skipIf(on_windows() or resource is None, "resource limits, FIFOs and devices are POSIX's")


def limit(kind, value):
    # A function that sets the resource limit `kind` in the child before it runs.
    def set_limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(kind, (value, value))
    return set_limit


def faults(**settings):
    # The options of a run of the build whose reads, writes and closes fail on request.
    env = dict(os.environ, **{"CHROMAFOLD_INJECT_" + k.upper(): str(v) for k, v in settings.items()})
    return {"env": env, "binary": harness.injected}


class FileLoop(Case):
    def check_runs(self, clips, runs):
        # Each run: its arguments, what it prints, the outputs it leaves (name:
        # bytes), and options of run_program. The sources keep their bytes and times.
        for args, stdout, stderr, outputs, *options in runs:
            got = self.run_untouched(clips, args, **(options[0] if options else {}))
            self.assertEqual(got, (0, stdout, console(stderr)), args)
            for name, data in outputs.items():
                self.assertEqual(self.read(name), data, (args, name))

    def test_messages_and_outputs_of_every_way_a_source_ends(self):
        a, b = random_clip(42, 5 * S + 1000), random_clip(43, S)
        clips = {"a.yuv": a, "b.yuv": b, "c.yuv": a[:3 * 14 * 40 * 2], "empty.yuv": b"", "short.yuv": b[:S - 1],
                 "source.420": b, "hard.yuv": b, "blocked.yuv": b}
        # An old output is truncated, never appended to; neither a directory nor
        # a missing source leaves an output; nor does one whose output is itself,
        # under its own name or through a link.
        self.write("short.420", b"old data")
        os.mkdir(self.path("blocked.420"))
        os.mkdir(self.path("folder.yuv"))
        self.write("hard.yuv", b)
        os.link(self.path("hard.yuv"), self.path("hard.420"))
        itself = b"error - output %s.420 is the source file itself [dst]\n"
        read_failed = b"error - failed on _read(size=2880) [src]\n"
        runs = [
            # A trailing piece shorter than a frame is not a frame.
            (GEOMETRY + ["a.yuv", "empty.yuv", "short.yuv", "missing.yuv", "folder.yuv", "source.420", "hard.yuv",
                         "blocked.yuv"], progress(5), b"error - failed on _open(missing.yuv) [src]\n"
             b"error - failed on _open(folder.yuv) [src]\n" + itself % b"source" + itself % b"hard" +
             b"error - failed on _open(blocked.420) [dst]\n",
             {"a.420": self.model(a, 40, 36), "empty.420": b"", "short.420": b""}),
            # Frames clipped to nothing are still read and counted.
            (["-w", "14", "-h", "40", "c.yuv"], progress(3), b"", {"c.420": b""}),
            (["-w", "40", "-h", "0", "b.yuv"], b"", b"error - frame size is zero (width=40 height=0) for b.yuv [src]\n", {}),
            (GEOMETRY + ["a" * 1020 + ".yuv", "b.yuv"], progress(1),
             b"error - output name too long for %s.yuv [dst]\n" % (b"a" * 1020), {"b.420": self.model(b, 40, 36)}),
            # A read failing in the middle of a frame, or at a frame's end: only whole frames are written.
            (GEOMETRY + ["a.yuv"], b"frame: 0\r", read_failed, {"a.420": self.model(a[:S], 40, 36)},
             faults(read_fail_after=S + 100)),
            (GEOMETRY + ["a.yuv", "b.yuv"], b"frame: 0\rframe: 1\r", read_failed * 2,
             {"a.420": self.model(a[:2 * S], 40, 36), "b.420": b""}, faults(read_fail_after=2 * S)),
            # Each frame's writes end in a piece of one byte: 1536 = 5 * 307 + 1.
            (GEOMETRY + ["a.yuv"], progress(5), b"", {"a.420": self.model(a, 40, 36)},
             faults(read_piece=997, write_piece=307)),
            # A close that reports data it could not store, after the finish line.
            (GEOMETRY + ["b.yuv"], progress(1), b"error - failed on _close(b.420) [dst]\n",
             {"b.420": self.model(b, 40, 36)}, faults(close_fail=1))]
        if not on_windows() and resource:
            os.symlink("/dev/full", self.path("full.420"))
            os.symlink("/proc/self/mem", self.path("mem.yuv"))
            os.symlink("soft.yuv", self.path("soft.420"))
            clips.update({"full.yuv": b, "soft.yuv": b})
            runs += [(GEOMETRY + ["soft.yuv"], b"", itself % b"soft", {}),
                # A file size limit stops the first output part-way; the second,
                # on a full device, takes no byte; the third is written whole.
                (GEOMETRY + ["a.yuv", "full.yuv", "b.yuv"], b"frame: 0\rframe: 1\r" + progress(1),
                 b"error - failed on _write(size=1536) [dst]\n" * 2,
                 {"a.420": self.model(a, 40, 36)[:2 * D + 500], "b.420": self.model(b, 40, 36)},
                 {"limits": limit(resource.RLIMIT_FSIZE, 2 * D + 500)}),
                # Reading a process's own memory from address 0 fails with EIO.
                (["-w", "32768", "-h", "32768", "mem.yuv"], b"", b"error - failed on _read(size=2147483648) [src]\n",
                 {"mem.420": b""})]
        self.check_runs(clips, runs)

    @posix_only
    def test_fifos_fed_and_drained_slowly_in_padding_mode(self):
        # 318 x 242 is padded to 320 x 256: two columns and two left-over rows.
        # A frame, 153,912 bytes in and 122,880 out, is more than a pipe holds:
        # the program waits on its source and on its output in the middle of
        # every frame, as when a capture feeds it and an encoder drains it, in
        # small pieces.
        clip = random_clip(20, 4 * 318 * 242 * 2 + 100)
        os.mkfifo(self.path("take.yuv"))
        os.mkfifo(self.path("take.420"))
        drained = bytearray()

        def feed():
            with open(self.path("take.yuv"), "wb", buffering=0) as fifo:
                for start in range(0, len(clip), 4000):
                    fifo.write(clip[start:start + 4000])
                    time.sleep(0.001)

        def drain():
            with open(self.path("take.420"), "rb", buffering=0) as fifo:
                while piece := fifo.read(4000):
                    drained.extend(piece)
                    time.sleep(0.001)

        # Daemons, so that a program that never opens a pipe cannot hang the suite.
        jobs = [threading.Thread(target=job, daemon=True) for job in (feed, drain)]
        for job in jobs:
            job.start()
        self.assert_run(["-m1", "-w", "318", "-h", "242", "take.yuv"], stdout=progress(4))
        jobs[1].join(timeout=60)
        self.assertEqual(bytes(drained), self.model(clip, 318, 242, 1))
        # Byte for byte what release 1.1.0 wrote, two columns and two rows of padding included.
        self.assertEqual(hashlib.sha256(drained).hexdigest()[:16], "78f4ab1601262fa1")

    @posix_only
    @unittest.skipIf(harness.sanitized, "AddressSanitizer needs more address space than the limit leaves")
    def test_a_failed_allocation_touches_no_file(self):
        # 32768 x 32768 needs 3.5 GiB of working buffer: every source is refused
        # alone, and the batch goes on. The same limit leaves room for frames of
        # the default size, and for sources whose 56 MiB buffers, 20 of them,
        # would together exceed it: each source frees its buffer, whether it
        # is converted or fails to open, or its output is itself or fails to.
        clips = {"a.yuv": random_clip(45, 4096), "b.yuv": random_clip(46, 699840), "a.420": b"an earlier output",
                 "empty.yuv": b"", "self.420": b"", "blocked.yuv": b""}
        less = {"limits": limit(resource.RLIMIT_AS, 1 << 30)}
        self.check_runs(clips, [(["-w", "32768", "-h", "32768", "a.yuv", "b.yuv"], b"",
                                 b"error - no enough memory\n" * 2, {}, less)])
        self.assertEqual(sorted(os.listdir(self.cwd)), ["a.420", "a.yuv", "b.yuv", "blocked.yuv", "empty.yuv",
                                                       "self.420"])
        os.mkdir(self.path("blocked.420"))
        self.check_runs(clips, [(["b.yuv"], progress(1), b"", {}, less), (
            ["-w4096", "-h4096"] + ["empty.yuv"] * 20 + ["missing.yuv"] * 20 + ["self.420"] * 20 + ["blocked.yuv"] * 20,
            b"", b"error - failed on _open(missing.yuv) [src]\n" * 20 +
            b"error - output self.420 is the source file itself [dst]\n" * 20 +
            b"error - failed on _open(blocked.420) [dst]\n" * 20, {"empty.420": b""}, less)])

    @posix_only
    def test_sources_that_fail_after_opening_release_their_descriptors(self):
        # Far more failures than the limit allows descriptors: each must close
        # what it opened, or the good sources at the end could not be opened.
        clips = {f"s{i:02d}.420": random_clip(i, S) for i in range(40)}
        clips.update({"good.yuv": random_clip(50, S), "zero.yuv": b"x", **{f"b{i:02d}.yuv": b"x" for i in range(40)}})
        for i in range(40):
            os.mkdir(self.path(f"d{i:02d}.yuv"))
            os.mkdir(self.path(f"b{i:02d}.420"))
        fewer = limit(resource.RLIMIT_NOFILE, 24)
        got = self.run_untouched(clips, GEOMETRY + [f"{kind}{i:02d}.{extension}" for kind, extension in
                                                    (("s", "420"), ("d", "yuv"), ("b", "yuv")) for i in range(40)]
                                 + ["good.yuv"], limits=fewer)
        self.assertEqual(got[:2], (0, progress(1)))
        self.assertEqual([got[2].count(m) for m in (b"source file itself", b"_open(d", b"_open(b")], [40, 40, 40])
        self.assertEqual(self.read("good.420"), self.model(clips["good.yuv"], 40, 36))
        got = self.run_untouched(clips, ["-w", "0"] + ["zero.yuv"] * 40 + ["good.yuv"], limits=fewer)
        self.assertEqual(got[2].count(b"error - frame size is zero"), 41)
        # Sources converted release theirs too.
        self.assertEqual(self.run_untouched(clips, GEOMETRY + ["good.yuv"] * 30, limits=fewer), (0, progress(1) * 30, b""))
        # A program started with standard input closed opens its first source as descriptor 0.
        self.assert_run(GEOMETRY + ["good.yuv"], stdout=progress(1), limits=lambda: os.close(0))
