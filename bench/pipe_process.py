"""chromafold-pipe as a whole process: against its I/O floor and against
ffmpeg's interlaced scaler, side by side in one run.

usage: pipe_process.py BUILD_DIR [--frames N] [--runs N] [--tmpfs DIR]

Two streams of 1080i frames in a page-cached file on tmpfs: YUV4MPEG2 10-bit
4:2:2 (C422p10) into 10-bit 4:2:0, and headerless v210 into P010. Each is
converted by chromafold-pipe, by the I/O floor (bench/pipe_io_floor: the same
reads and writes by the pipe's own functions, no conversion), and the
YUV4MPEG2 one by `ffmpeg -f yuv4mpegpipe -i - -vf scale=interl=1 -f
yuv4mpegpipe -`, which does the same conversion its own way. Two sinks for
standard output: /dev/null, where writing costs nothing, so that the floor is
the reading alone; and a pipe that a reader empties a frame at a time, as an
encoder reads (dd with 8 MiB blocks). (A file on tmpfs is no steady sink: its
pages are freed and zeroed anew between runs, and that varies more than the
programs do.) The programs run in turn within each round, so
that all see the same state of the machine; reports the median wall times,
the medians of the ratios of each round, and chromafold-pipe's peak resident
memory against its two frames. Both chromafold-pipe and the floor widen a
pipe at either end to 1 MiB where Linux allows it.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from whole_process import peak_memory

W, H = 1920, 1080


def timed(command, source, sink):
    """Wall time of one run of `command` on `source` into `sink`."""
    with open(source, "rb") as stdin, open(os.devnull, "wb") as out:
        start = time.perf_counter()
        producer = subprocess.Popen(command, stdin=stdin, stdout=subprocess.PIPE if sink == "pipe" else out,
                                    stderr=subprocess.DEVNULL)
        if sink == "pipe":
            subprocess.run(["dd", "bs=8M", "status=none"], stdin=producer.stdout, stdout=out, check=True)
            producer.stdout.close()
        status = producer.wait()
        elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{command[0]} failed with status {status}")
    return elapsed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--frames", type=int, default=200)
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--tmpfs", default="/dev/shm")
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    pipe, floor = os.path.join(build, "chromafold-pipe"), os.path.join(build, "bench", "pipe_io_floor")
    i422_10, i010 = W * H * 4, W * H * 3
    v210, p010 = (W + 47) // 48 * 128 * H, W * H * 3
    frames = options.frames
    with tempfile.TemporaryDirectory(dir=options.tmpfs, prefix="chromafold-bench-") as folder:
        y4m, raw = os.path.join(folder, "stream.y4m"), os.path.join(folder, "stream.v210")
        rng = random.Random(1)
        with open(y4m, "wb") as f:
            f.write(f"YUV4MPEG2 W{W} H{H} F30000:1001 It A1:1 C422p10 XYSCSS=422P10\n".encode())
            # Random 10-bit samples, so that no converter takes a shortcut.
            frame = bytearray(rng.randbytes(i422_10))
            frame[1::2] = frame[1::2].translate(bytes(b & 3 for b in range(256)))
            for _ in range(frames):
                f.write(b"FRAME\n" + frame)
        with open(raw, "wb") as f:
            frame = rng.randbytes(v210)
            for _ in range(frames):
                f.write(frame)
        cases = {
            "Y4M I422_10 -> I010": (y4m, [
                ("I/O floor", [floor, "y4m", str(i422_10), str(i010)]),
                ("chromafold-pipe", [pipe, "--quiet"]),
                ("ffmpeg", ["ffmpeg", "-v", "error", "-strict", "-1", "-f", "yuv4mpegpipe", "-i", "-", "-vf",
                            "scale=interl=1", "-pix_fmt", "yuv420p10le", "-strict", "-1", "-f", "yuv4mpegpipe",
                            "-"])]),
            "v210 -> P010, headerless": (raw, [
                ("I/O floor", [floor, "raw", str(v210), str(p010)]),
                ("chromafold-pipe", [pipe, "--quiet", "--from", "v210", "--size", f"{W}x{H}", "--to", "p010"])]),
        }
        if not shutil.which("ffmpeg"):
            del cases["Y4M I422_10 -> I010"][1][2]
        sinks = ("/dev/null", "pipe")
        for source, programs in cases.values():
            for _, command in programs:
                timed(command, source, "pipe")  # warm the page cache
        times = {(sink, name): {program: [] for program, _ in programs} for sink in sinks
                 for name, (_, programs) in cases.items()}
        # Every other round runs the programs in the other order, so that none
        # always follows the same one.
        for run in range(options.runs):
            for sink in sinks:
                for name, (source, programs) in cases.items():
                    for program, command in programs[::-1] if run % 2 else programs:
                        times[sink, name][program].append(timed(command, source, sink))
        peak = peak_memory([pipe, "--quiet"], source=y4m)

    print(f"{frames} frames of {W}x{H}, page-cached on tmpfs; {options.runs} rounds, programs in turn; "
          f"{len(os.sched_getaffinity(0))} processors")
    for (sink, name), runs in times.items():
        print(f"{name}, into {'a ' + sink if sink != '/dev/null' else sink}")
        pipe_runs = runs["chromafold-pipe"]
        for program, samples in runs.items():
            ratio = statistics.median(p / s for p, s in zip(pipe_runs, samples))
            per_frame = statistics.median(samples) / frames * 1000
            print(f"  {program:16} {statistics.median(samples) * 1000:8.1f} ms  {per_frame:6.2f} ms a frame  "
                  f"chromafold-pipe / this {ratio:5.2f}")
    if peak is not None:
        print(f"chromafold-pipe peak memory {peak / 2**20:.1f} MiB; its two frames "
              f"{(i422_10 + i010) / 2**20:.1f} MiB")


if __name__ == "__main__":
    main()
