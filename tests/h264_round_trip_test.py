# Encodes with examples/uyvy_to_h264 losslessly, decodes with ffmpeg, and
# expects the very bytes that chromafold writes for the same source, and a
# stream that ffprobe finds interlaced, top field first: a sample clip in clip
# mode and random frames in padding mode.
#
# usage: h264_round_trip_test.py ENCODER PROGRAM CLIP_MAKER
import os
import random
import subprocess
import sys
import tempfile

encoder, program, clip_maker = (os.path.abspath(p) for p in sys.argv[1:4])


def run(*command, cwd):
    return subprocess.run(command, cwd=cwd, check=True, capture_output=True).stdout


for width, height, mode in ((720, 486, 0), (84, 70, 1)):
    with tempfile.TemporaryDirectory(prefix="chromafold-h264-") as folder:
        if mode == 0:
            run(clip_maker, "take.yuv", "720", "486", "12", cwd=folder)
        else:
            with open(os.path.join(folder, "take.yuv"), "wb") as f:
                f.write(random.Random(9).randbytes(5 * width * height * 2))
        size = ["-w", str(width), "-h", str(height), "-m", str(mode)]
        run(program, *size, "take.yuv", cwd=folder)
        run(encoder, *size, "-q", "0", "take.yuv", "take.264", cwd=folder)
        decoded = run("ffmpeg", "-v", "error", "-i", "take.264", "-f", "rawvideo", "-pix_fmt", "yuv420p", "-",
                      cwd=folder)
        with open(os.path.join(folder, "take.420"), "rb") as f:
            converted = f.read()
        assert converted and decoded == converted, f"{width}x{height}: the decoded stream differs from chromafold's"
        order = run("ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "stream=field_order",
                    "-of", "csv=p=0", "take.264", cwd=folder)
        assert order.decode().strip() == "tt", order
        print(f"{width}x{height} mode {mode}: lossless and top field first")
