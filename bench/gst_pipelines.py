"""The chromafold element against videoconvert in the same GStreamer pipeline,
side by side in one run.

usage: gst_pipelines.py PLUGIN_DIR [--frames N] [--runs N] [--folder DIR]

For every 4:2:2 input the element takes (UYVY, YUY2 and v210 from capture
cards, Y42B, NV16 and I422_10LE from decoders), into I420 and into P010_10LE,
and for I420 back into UYVY and v210 for playout, one file of interlaced 1920
x 1080 frames is written and read once, so that it lies in the page cache;
then

    filesrc ! rawvideoparse (interlaced) ! CONVERTER ! video/x-raw,format=OUT ! fakesink

runs with chromafold and with videoconvert (its defaults, one thread), the two
alternating, each run of one paired with the run of the other just before or
after it. Reports the median wall time of each and the median ratio of the
pairs, chromafold over videoconvert; process start-up is in both.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

# rawvideoparse's name of each input, and the bytes of one of its frames.
SOURCES = (("uyvy", 1920 * 1080 * 2), ("yuy2", 1920 * 1080 * 2), ("v210", 5120 * 1080),
           ("y42b", 1920 * 1080 * 2), ("nv16", 1920 * 1080 * 2), ("i422-10le", 1920 * 1080 * 4))
PAIRS = tuple((source, output, frame) for source, frame in SOURCES for output in ("I420", "P010_10LE")) + (
    ("i420", "UYVY", 1920 * 1080 * 3 // 2), ("i420", "v210", 1920 * 1080 * 3 // 2))


def timed(command, env):
    start = time.perf_counter()
    done = subprocess.run(command, env=env, capture_output=True)
    if done.returncode != 0:
        sys.exit(f"{' '.join(command)} failed:\n{done.stderr.decode(errors='replace')}")
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("plugin_dir", type=os.path.abspath)
    parser.add_argument("--frames", type=int, default=120)
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--folder", default=None)
    o = parser.parse_args()
    env = dict(os.environ, GST_PLUGIN_PATH=o.plugin_dir)
    with tempfile.TemporaryDirectory(dir=o.folder) as folder:
        print(f"{o.frames} frames of 1920x1080, {o.runs} paired runs, medians")
        print("| Pair | videoconvert | chromafold | chromafold / videoconvert |\n|---|---|---|---|")
        for source, output, frame in PAIRS:
            path = os.path.join(folder, "take." + source)
            with open(path, "wb") as f:
                for _ in range(o.frames):
                    f.write(os.urandom(frame))
            with open(path, "rb") as f:
                while f.read(1 << 24):
                    pass
            times = {"chromafold": [], "videoconvert": []}
            for run in range(o.runs):
                order = ("chromafold", "videoconvert") if run % 2 else ("videoconvert", "chromafold")
                for converter in order:
                    times[converter].append(timed(
                        ["gst-launch-1.0", "-q", "filesrc", f"location={path}", "!", "rawvideoparse",
                         f"format={source}", "width=1920", "height=1080", "interlaced=true",
                         "top-field-first=true", "!", converter, "!", f"video/x-raw,format={output}", "!",
                         "fakesink", "sync=false"], env))
            ratio = statistics.median(c / v for c, v in zip(times["chromafold"], times["videoconvert"]))
            print(f"| {source} into {output} | {statistics.median(times['videoconvert']) * 1000:.0f} ms | "
                  f"{statistics.median(times['chromafold']) * 1000:.0f} ms | {ratio:.2f} |")
            os.remove(path)


if __name__ == "__main__":
    main()
