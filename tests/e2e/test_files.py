"""The file loop: whole frames in, whole frames out, and every failure reported."""
import os
import threading
import time
import unittest

from harness import Case, console, model_file, on_windows, progress, random_clip

GEOMETRY = ["-w", "40", "-h", "36"]  # clip: 40x36 -> 32x32, S = 2880, D = 1536
S, D = 2880, 1536


class FileLoop(Case):
    def test_whole_frames_are_converted_and_a_trailing_piece_ignored(self):
        clip = random_clip(10, 2 * S + S // 2)
        self.write("a.yuv", clip)
        self.assert_run(GEOMETRY + ["a.yuv"], stdout=console(b"frame: 0\rframe: 1\rframe: 2 - finish!!\n"))
        self.assertEqual(self.read("a.420"), model_file(clip[:2 * S], 40, 36, 0))
        self.write("b.yuv", clip[:2 * S])
        self.assert_run(GEOMETRY + ["b.yuv"], stdout=progress(2))
        self.assertEqual(self.read("b.420"), self.read("a.420"))

    def test_sources_shorter_than_a_frame_give_empty_outputs(self):
        self.write("empty.yuv", b"")
        self.write("short.yuv", random_clip(11, S - 1))
        # An existing output is truncated, never appended to.
        self.write("short.420", b"old data")
        self.assert_run(GEOMETRY + ["empty.yuv", "short.yuv"])
        self.assertEqual(self.read("empty.420"), b"")
        self.assertEqual(self.read("short.420"), b"")

    def test_clipped_to_nothing_still_counts_frames(self):
        self.write("a.yuv", random_clip(12, 3 * 14 * 40 * 2))
        self.assert_run(["-w", "14", "-h", "40", "a.yuv"], stdout=progress(3))
        self.assertEqual(self.read("a.420"), b"")

    def test_sources_that_cannot_be_opened(self):
        os.mkdir(self.path("dir.yuv"))
        self.assert_run(GEOMETRY + ["missing.yuv", "dir.yuv"],
                        stderr=b"error - failed on _open(missing.yuv) [src]\n"
                               b"error - failed on _open(dir.yuv) [src]\n")
        self.assertEqual(sorted(os.listdir(self.cwd)), ["dir.yuv"])

    def test_output_that_cannot_be_opened(self):
        self.write("a.yuv", random_clip(13, S))
        os.mkdir(self.path("a.420"))
        self.write("b.yuv", random_clip(14, S))
        self.assert_run(GEOMETRY + ["a.yuv", "b.yuv"], stdout=progress(1),
                        stderr=b"error - failed on _open(a.420) [dst]\n")
        self.assertEqual(len(self.read("b.420")), D)

    @unittest.skipIf(on_windows(), "/dev/full exists on POSIX systems only")
    def test_write_failure_is_reported_and_the_batch_goes_on(self):
        self.write("a.yuv", random_clip(15, 2 * S))
        self.write("b.yuv", random_clip(16, S))
        os.symlink("/dev/full", self.path("a.420"))
        self.assert_run(GEOMETRY + ["a.yuv", "b.yuv"], stdout=progress(1),
                        stderr=b"error - failed on _write(size=1536) [dst]\n")

    def test_zero_sized_frames_are_refused_without_an_output(self):
        self.write("a.yuv", random_clip(17, 100))
        self.write("b.yuv", random_clip(18, S))
        self.assert_run(["-w", "0", "-h", "36", "a.yuv", "b.yuv"],
                        stderr=b"error - frame size is zero (width=0 height=36) for a.yuv [src]\n"
                               b"error - frame size is zero (width=0 height=36) for b.yuv [src]\n",
                        timeout=20)
        self.assert_run(["-w", "40", "-h", "0", "a.yuv"],
                        stderr=b"error - frame size is zero (width=40 height=0) for a.yuv [src]\n",
                        timeout=20)
        self.assertFalse(os.path.exists(self.path("a.420")))
        self.assertFalse(os.path.exists(self.path("b.420")))

    def test_an_output_that_is_the_source_is_refused(self):
        clip = random_clip(19, 2 * S)
        os.mkdir(self.path("clips"))
        self.write("take1.420", clip)
        self.write("clips/take1.420", clip)
        self.write("hard.yuv", clip)
        os.link(self.path("hard.yuv"), self.path("hard.420"))
        sources = ["take1.420", "clips/take1.420", "hard.yuv"]
        expected = (b"error - output take1.420 is the source file itself [dst]\n"
                    b"error - output clips/take1.420 is the source file itself [dst]\n"
                    b"error - output hard.420 is the source file itself [dst]\n")
        if not on_windows():
            self.write("soft.yuv", clip)
            os.symlink("soft.yuv", self.path("soft.420"))
            sources.append("soft.yuv")
            expected += b"error - output soft.420 is the source file itself [dst]\n"
        self.assert_run(GEOMETRY + sources, stderr=expected)
        for name in ("take1.420", "clips/take1.420", "hard.yuv") + (() if on_windows() else ("soft.yuv",)):
            self.assertEqual(self.read(name), clip, name)

    @unittest.skipIf(on_windows(), "FIFOs exist on POSIX systems only")
    def test_a_slowly_fed_fifo_yields_every_frame(self):
        clip = random_clip(20, 5 * S)
        os.mkfifo(self.path("live.yuv"))

        def feed():
            with open(self.path("live.yuv"), "wb", buffering=0) as fifo:
                for start in range(0, len(clip), 1000):
                    fifo.write(clip[start:start + 1000])
                    time.sleep(0.002)

        writer = threading.Thread(target=feed)
        writer.start()
        try:
            self.assert_run(GEOMETRY + ["live.yuv"], stdout=progress(5))
        finally:
            writer.join()
        self.assertEqual(self.read("live.420"), model_file(clip, 40, 36, 0))

    @unittest.skipIf(on_windows(), "FIFOs exist on POSIX systems only")
    def test_an_output_fifo_drained_slowly_gets_every_frame(self):
        # As an encoder reading the pipe would, the reader takes small pieces;
        # each frame (107,520 bytes) is larger than the pipe holds, so the
        # program waits on a full pipe in the middle of every frame.
        clip = random_clip(21, 4 * 320 * 240 * 2 + 100)
        self.write("take.yuv", clip)
        os.mkfifo(self.path("take.420"))
        drained = bytearray()

        def drain():
            with open(self.path("take.420"), "rb", buffering=0) as fifo:
                while piece := fifo.read(4000):
                    drained.extend(piece)
                    time.sleep(0.001)

        # A daemon, so that a program that never opens the pipe cannot hang the suite.
        reader = threading.Thread(target=drain, daemon=True)
        reader.start()
        self.assert_run(["-w", "320", "-h", "240", "take.yuv"], stdout=progress(4))
        reader.join(timeout=60)
        self.assertEqual(bytes(drained), model_file(clip, 320, 240, 0))

    @unittest.skipIf(on_windows() or not os.path.exists("/proc/self/mem"), "/proc/self/mem exists on Linux only")
    def test_read_errors_are_reported_in_full_without_a_finish_line(self):
        # Reading a process's own memory from address 0 fails with EIO.
        os.symlink("/proc/self/mem", self.path("mem.yuv"))
        self.assert_run(["-w", "32768", "-h", "32768", "mem.yuv"],
                        stderr=b"error - failed on _read(size=2147483648) [src]\n")
        self.assertEqual(self.read("mem.420"), b"")


class Padding(Case):
    def test_default_geometry_is_padded_to_720x512(self):
        clip = random_clip(30, 2 * 699840)
        self.write("a.yuv", clip)
        self.assert_run(["-m", "1", "a.yuv"], stdout=progress(2))
        out = self.read("a.420")
        self.assertEqual(len(out), 2 * 552960)
        self.assertEqual(out, model_file(clip, 720, 486, 1))

    def test_narrow_sources_with_left_over_rows(self):
        # Each frame differs, so a byte the buffer carried over would show.
        for width, height in ((20, 35), (18, 33), (30, 66)):
            clip = random_clip(width * height, 3 * width * height * 2)
            self.write("a.yuv", clip)
            self.assert_run(["-m1", "-w", str(width), "-h", str(height), "a.yuv"], stdout=progress(3))
            self.assertEqual(self.read("a.420"), model_file(clip, width, height, 1), (width, height))
