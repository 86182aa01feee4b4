"""Whole-process speed: chromafold against the I/O floor on a page-cached clip.

usage: whole_process.py BUILD_DIR [--frames N] [--runs N] [--folder DIR]

Writes a clip of N frames of 720x486 into a tmpfs folder, then runs the I/O
floor and chromafold on it alternately, several times each, and reports the
median wall time of each, their ratio, and chromafold's peak resident memory
against the working buffer it needs (one source frame plus one output frame).
The ratio is the median over pairs of consecutive runs, one of each; both
programs run pinned to the same processor.
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 720, 486


def timed(command, cwd):
    """Wall time of one run, and its user and system CPU times."""
    start = time.perf_counter()
    pid = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL).pid
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{command[0]} failed with status {status}")
    return elapsed, usage.ru_utime, usage.ru_stime


def peak_memory(command, cwd):
    """Peak resident memory of one run, in bytes. A child of this script would
    count the script's own memory from before it started the program, so GNU
    time, a small C program, starts it instead."""
    if not os.path.exists("/usr/bin/time"):
        return None
    report = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, cwd=cwd,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True)
    return int(report.stderr.split()[-1]) * 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--frames", type=int, default=500)
    parser.add_argument("--runs", type=int, default=31)
    parser.add_argument("--folder", default="/dev/shm" if os.path.isdir("/dev/shm") else None)
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    # Both programs run on one and the same processor, which takes migrations
    # between processors and their caches out of the comparison.
    os.sched_setaffinity(0, {max(os.sched_getaffinity(0))})

    with tempfile.TemporaryDirectory(dir=options.folder, prefix="chromafold-bench-") as folder:
        subprocess.run([os.path.join(build, "make_sample_clip"), "clip.yuv",
                        str(WIDTH), str(HEIGHT), str(options.frames)], cwd=folder, check=True)
        floor_cmd = [os.path.join(build, "bench", "io_floor"), "clip.yuv"]
        tool_cmd = [os.path.join(build, "chromafold"), "clip.yuv"]
        timed(tool_cmd, folder)  # warm the page cache and the output's pages
        runs = {"I/O floor": [], "chromafold": []}
        for _ in range(options.runs):
            runs["I/O floor"].append(timed(floor_cmd, folder))
            runs["chromafold"].append(timed(tool_cmd, folder))
        peak = peak_memory(tool_cmd, folder)

    print(f"{options.frames} frames of {WIDTH}x{HEIGHT}, clip mode, {options.runs} runs each, "
          f"alternating, on {options.folder}")
    medians = {}
    for name, samples in runs.items():
        wall, user, system = (statistics.median(s[i] for s in samples) * 1000 for i in range(3))
        medians[name] = wall
        print(f"{name:11} median wall {wall:7.1f} ms  (user {user:6.1f} ms, system {system:6.1f} ms)")
    # Each chromafold run against the floor run just before it, so that both
    # see the same state of the page cache and the allocator.
    ratio = statistics.median(tool[0] / floor[0] for floor, tool in zip(runs["I/O floor"], runs["chromafold"]))
    print(f"ratio       {ratio:.3f} median of paired runs, {medians['chromafold'] / medians['I/O floor']:.3f} "
          f"of the medians (goal: at most 1.08)")
    working_buffer = WIDTH * HEIGHT * 2 + WIDTH * 480 * 3 // 2
    if peak is not None:
        print(f"peak memory {peak / 2**20:.1f} MiB = working buffer {working_buffer / 2**20:.1f} MiB "
              f"+ {(peak - working_buffer) / 2**20:.1f} MiB (goal: at most + 4 MiB)")


if __name__ == "__main__":
    main()
