# The file loop: whole frames in, whole frames out, and every failure reported.
import os
import threading
import time
import unittest

from harness import Case, console, on_windows, progress, random_clip

GEOMETRY = ["-w", "40", "-h", "36"]  # clip: 40x36 -> 32x32, S = 2880, D = 1536
S, D = 2880, 1536


class FileLoop(Case):
    def test_a_batch_of_every_kind_of_source(self):
        clip = random_clip(10, 2 * S + S // 2)
        self.write("a.yuv", clip)
        self.write("b.yuv", clip[:2 * S])
        self.write("empty.yuv", b"")
        self.write("short.yuv", clip[:S - 1])
        # An existing output is truncated, never appended to.
        self.write("short.420", b"old data")
        os.mkdir(self.path("dir.yuv"))
        self.write("c.yuv", clip[:S])
        os.mkdir(self.path("c.420"))
        self.assert_run(GEOMETRY + ["a.yuv", "b.yuv", "empty.yuv", "short.yuv", "missing.yuv", "dir.yuv", "c.yuv"],
                        # A trailing piece shorter than a frame is not a frame.
                        stdout=console(b"frame: 0\rframe: 1\rframe: 2 - finish!!\n") + progress(2),
                        stderr=b"error - failed on _open(missing.yuv) [src]\n"
                               b"error - failed on _open(dir.yuv) [src]\n"
                               b"error - failed on _open(c.420) [dst]\n")
        self.assertEqual(self.read("a.420"), self.model(clip[:2 * S], 40, 36))
        self.assertEqual(self.read("b.420"), self.read("a.420"))
        self.assertEqual(self.read("empty.420") + self.read("short.420"), b"")
        self.assertEqual(sorted(os.listdir(self.cwd)), ["a.420", "a.yuv", "b.420", "b.yuv", "c.420", "c.yuv",
                                                       "dir.yuv", "empty.420", "empty.yuv", "short.420", "short.yuv"])

    def test_frames_clipped_to_nothing_are_counted_and_zero_sized_ones_refused(self):
        self.write("a.yuv", random_clip(12, 3 * 14 * 40 * 2))
        self.assert_run(["-w", "14", "-h", "40", "a.yuv"], stdout=progress(3))
        self.assertEqual(self.read("a.420"), b"")
        os.remove(self.path("a.420"))
        self.write("b.yuv", random_clip(18, S))
        self.assert_run(["-w", "0", "-h", "36", "a.yuv", "b.yuv"],
                        stderr=b"error - frame size is zero (width=0 height=36) for a.yuv [src]\n"
                               b"error - frame size is zero (width=0 height=36) for b.yuv [src]\n", timeout=20)
        self.assert_run(["-w", "40", "-h", "0", "a.yuv"],
                        stderr=b"error - frame size is zero (width=40 height=0) for a.yuv [src]\n", timeout=20)
        self.assertEqual(sorted(os.listdir(self.cwd)), ["a.yuv", "b.yuv"])

    def test_an_output_that_is_the_source_is_refused(self):
        clip = random_clip(19, 2 * S)
        os.mkdir(self.path("clips"))
        sources = ["take1.420", "clips/take1.420", "hard.yuv"] + ([] if on_windows() else ["soft.yuv"])
        for name in sources:
            self.write(name, clip)
        os.link(self.path("hard.yuv"), self.path("hard.420"))
        if not on_windows():
            os.symlink("soft.yuv", self.path("soft.420"))
        outputs = [name.rsplit(".", 1)[0] + ".420" for name in sources]
        self.assert_run(GEOMETRY + sources, stderr=b"".join(
            b"error - output %s is the source file itself [dst]\n" % name.encode() for name in outputs))
        for name in sources:
            self.assertEqual(self.read(name), clip, name)

    @unittest.skipIf(on_windows(), "FIFOs and /dev/full exist on POSIX systems only")
    def test_fifos_fed_and_drained_slowly_and_a_full_device(self):
        clip = random_clip(20, 4 * 320 * 240 * 2 + 100)
        self.write("take.yuv", clip)
        os.mkfifo(self.path("live.yuv"))
        os.mkfifo(self.path("take.420"))
        drained = bytearray()

        def feed():
            with open(self.path("live.yuv"), "wb", buffering=0) as fifo:
                for start in range(0, 5 * S, 1000):
                    fifo.write(clip[start:start + 1000])
                    time.sleep(0.002)

        # As an encoder reading the pipe would, the reader takes small pieces; each
        # frame (107,520 bytes) is larger than the pipe holds, so the program waits
        # on a full pipe in the middle of every frame.
        def drain():
            with open(self.path("take.420"), "rb", buffering=0) as fifo:
                while piece := fifo.read(4000):
                    drained.extend(piece)
                    time.sleep(0.001)

        # Daemons, so that a program that never opens a pipe cannot hang the suite.
        jobs = [threading.Thread(target=job, daemon=True) for job in (feed, drain)]
        for job in jobs:
            job.start()
        self.assert_run(GEOMETRY + ["live.yuv"], stdout=progress(5))
        self.assertEqual(self.read("live.420"), self.model(clip[:5 * S], 40, 36))
        self.assert_run(["-w", "320", "-h", "240", "take.yuv"], stdout=progress(4))
        jobs[1].join(timeout=60)
        self.assertEqual(bytes(drained), self.model(clip, 320, 240))
        os.symlink("/dev/full", self.path("a.420"))
        self.write("a.yuv", clip[:2 * S])
        self.write("b.yuv", clip[:S])
        self.assert_run(GEOMETRY + ["a.yuv", "b.yuv"], stdout=progress(1),
                        stderr=b"error - failed on _write(size=1536) [dst]\n")

    @unittest.skipIf(on_windows() or not os.path.exists("/proc/self/mem"), "/proc/self/mem exists on Linux only")
    def test_read_errors_are_reported_in_full_without_a_finish_line(self):
        # Reading a process's own memory from address 0 fails with EIO.
        os.symlink("/proc/self/mem", self.path("mem.yuv"))
        self.assert_run(["-w", "32768", "-h", "32768", "mem.yuv"],
                        stderr=b"error - failed on _read(size=2147483648) [src]\n")
        self.assertEqual(self.read("mem.420"), b"")


class Padding(Case):
    def test_default_and_narrow_geometries_with_left_over_rows(self):
        # Each frame differs, so a byte the buffer carried over would show.
        for width, height, frames, size in ((720, 486, 2, 552960), (20, 35, 3, 3072), (30, 66, 3, 4608)):
            clip = random_clip(width * height, frames * width * height * 2)
            self.write("a.yuv", clip)
            self.assert_run(["-m1", "-w", str(width), "-h", str(height), "a.yuv"], stdout=progress(frames))
            self.assertEqual(self.read("a.420"), self.model(clip, width, height, 1), (width, height))
            self.assertEqual(len(self.read("a.420")), frames * size)
