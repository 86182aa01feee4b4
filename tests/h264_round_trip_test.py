"""Encodes with examples/uyvy_to_h264 losslessly, decodes with ffmpeg, and
expects the very bytes that chromafold writes for the same source, and a
stream that ffprobe finds interlaced, top field first.

usage: h264_round_trip_test.py ENCODER PROGRAM CLIP_MAKER
"""
import os
import random
import subprocess
import sys
import tempfile
import unittest

encoder = program = clip_maker = None


def run(*command, cwd):
    return subprocess.run(command, cwd=cwd, check=True, capture_output=True).stdout


class H264RoundTrip(unittest.TestCase):
    def round_trip(self, width, height, mode, make_clip):
        with tempfile.TemporaryDirectory(prefix="chromafold-h264-") as folder:
            make_clip(os.path.join(folder, "take.yuv"))
            size = ["-w", str(width), "-h", str(height), "-m", str(mode)]
            run(program, *size, "take.yuv", cwd=folder)
            run(encoder, *size, "-q", "0", "take.yuv", "take.264", cwd=folder)
            decoded = run("ffmpeg", "-v", "error", "-i", "take.264", "-f", "rawvideo",
                          "-pix_fmt", "yuv420p", "-", cwd=folder)
            with open(os.path.join(folder, "take.420"), "rb") as f:
                converted = f.read()
            self.assertGreater(len(converted), 0)
            self.assertEqual(len(decoded), len(converted))
            self.assertTrue(decoded == converted, "the decoded stream differs from chromafold's output")
            order = run("ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                        "stream=field_order", "-of", "csv=p=0", "take.264", cwd=folder)
            self.assertEqual(order.decode().strip(), "tt")

    def test_sample_clip_in_clip_mode(self):
        self.round_trip(720, 486, 0, lambda path: run(clip_maker, path, "720", "486", "12", cwd=None))

    def test_random_frames_in_padding_mode(self):
        def noise(path):
            with open(path, "wb") as f:
                f.write(random.Random(9).randbytes(5 * 84 * 70 * 2))
        self.round_trip(84, 70, 1, noise)


if __name__ == "__main__":
    encoder, program, clip_maker = (os.path.abspath(p) for p in sys.argv[1:4])
    unittest.main(argv=sys.argv[:1], verbosity=2)
