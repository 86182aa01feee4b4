# Encodes random frames with examples/uyvy_to_h264 losslessly, in padding mode
# into planes with strides of x264's own, decodes with ffmpeg, and expects the
# very bytes that chromafold writes for the same source, and a stream that
# ffprobe finds interlaced, top field first.
#
# usage: h264_round_trip_test.py ENCODER PROGRAM
import os
import random
import subprocess
import sys
import tempfile

encoder, program = (os.path.abspath(p) for p in sys.argv[1:3])
with tempfile.TemporaryDirectory(prefix="chromafold-h264-") as folder:
    def run(*command):
        return subprocess.run(command, cwd=folder, check=True, capture_output=True).stdout

    with open(os.path.join(folder, "take.yuv"), "wb") as f:
        f.write(random.Random(9).randbytes(5 * 84 * 70 * 2))
    run(program, "-w", "84", "-h", "70", "-m", "1", "take.yuv")
    run(encoder, "-w", "84", "-h", "70", "-m", "1", "-q", "0", "take.yuv", "take.264")
    decoded = run("ffmpeg", "-v", "error", "-i", "take.264", "-f", "rawvideo", "-pix_fmt", "yuv420p", "-")
    with open(os.path.join(folder, "take.420"), "rb") as f:
        assert f.read() == decoded and decoded, "the decoded stream differs from chromafold's"
    order = run("ffprobe", "-v", "error", "-show_entries", "stream=field_order", "-of", "csv=p=0", "take.264")
    assert order.decode().strip() == "tt", order
print("lossless and top field first")
