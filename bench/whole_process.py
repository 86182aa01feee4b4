"""Whole-process speed: chromafold against the I/O floor, side by side in one run.

usage: whole_process.py BUILD_DIR [--frames N] [--runs N] [--disk-runs N]
                        [--tmpfs DIR] [--disk DIR]

The I/O floor (bench/io_floor) is the same command line with the same reads and
writes and no conversion; chromafold can be no faster. Three conditions, their
runs interleaved, each run of chromafold paired with a run of the floor just
before it:

- a page-cached clip converted into tmpfs, the programs free to run on any
  processor (unpinned);
- the same, both programs pinned to one and the same processor (pinned);
- a clip on the disk whose pages are dropped from the page cache before every
  run (posix_fadvise POSIX_FADV_DONTNEED, which needs no privileges), converted
  into a folder on the same disk; each output is flushed and dropped after its
  run, untimed, so that no run inherits another's writeback.

Reports the median wall time of each program, the median ratio of the pairs,
and chromafold's peak resident memory against its working buffer of one source
frame and one output frame.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 720, 486


def drop_pages(path, flush=False):
    """Drops the file's pages from the page cache; dirty pages are written first
    when `flush` is set, since only clean pages can be dropped."""
    fd = os.open(path, os.O_RDONLY)
    try:
        if flush:
            os.fsync(fd)
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
    finally:
        os.close(fd)


def timed(command, cwd, processors):
    """Wall time of one run on the given processors."""
    start = time.perf_counter()
    process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL,
                               preexec_fn=lambda: os.sched_setaffinity(0, processors))
    _, status, _ = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{command[0]} failed with status {status}")
    return elapsed


def peak_memory(command, cwd=None, source=None):
    """Peak resident memory of one run, in bytes, reading `source` if given. A
    child of this script would count the script's own memory from before it
    started the program, so GNU time, a small C program, starts it instead."""
    if not os.path.exists("/usr/bin/time"):
        return None
    with open(source or os.devnull, "rb") as stdin:
        report = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, cwd=cwd, stdin=stdin,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True)
    return int(report.stderr.split()[-1]) * 1024


def cached_share(path):
    """How much of the file the page cache holds, as fincore reports it, or None."""
    if not shutil.which("fincore"):
        return None
    report = subprocess.run(["fincore", "--bytes", "--noheadings", "--output", "RES,SIZE", path],
                            capture_output=True, text=True)
    fields = report.stdout.split()
    return int(fields[0]) / int(fields[1]) if report.returncode == 0 and len(fields) == 2 else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--frames", type=int, default=500)
    parser.add_argument("--runs", type=int, default=31, help="pairs per page-cached condition")
    parser.add_argument("--disk-runs", type=int, default=11, help="pairs from the disk")
    parser.add_argument("--tmpfs", default="/dev/shm")
    parser.add_argument("--disk", help="a folder on the disk (default: in BUILD_DIR)")
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    every = os.sched_getaffinity(0)
    one = {max(every)}

    with tempfile.TemporaryDirectory(dir=options.tmpfs, prefix="chromafold-bench-") as tmpfs, \
         tempfile.TemporaryDirectory(dir=options.disk or build, prefix="chromafold-bench-") as disk:
        for folder in (tmpfs, disk):
            subprocess.run([os.path.join(build, "make_sample_clip"), "clip.yuv", str(WIDTH), str(HEIGHT),
                            str(options.frames)], cwd=folder, check=True, stdout=subprocess.DEVNULL)
        floor = [os.path.join(build, "bench", "io_floor"), "clip.yuv"]
        tool = [os.path.join(build, "chromafold"), "clip.yuv"]
        disk_clip, disk_output = os.path.join(disk, "clip.yuv"), os.path.join(disk, "clip.420")

        def cached(processors):
            return lambda command: timed(command, tmpfs, processors)

        def from_disk(command):
            drop_pages(disk_clip, flush=True)
            elapsed = timed(command, disk, every)
            drop_pages(disk_output, flush=True)
            return elapsed

        conditions = [("page cache -> tmpfs, unpinned", cached(every), options.runs),
                      ("page cache -> tmpfs, pinned", cached(one), options.runs),
                      ("disk, pages dropped -> same disk", from_disk, options.disk_runs)]
        timed(tool, tmpfs, every)  # warm the page cache and the output's pages
        drop_pages(disk_clip, flush=True)
        left_cached = cached_share(disk_clip)
        pairs = {name: [] for name, _, _ in conditions}
        for run in range(max(options.runs, options.disk_runs)):
            for name, measure, count in conditions:
                if run < count:
                    pairs[name].append((measure(floor), measure(tool)))
        peak = peak_memory(tool, tmpfs)

    print(f"{options.frames} frames of {WIDTH}x{HEIGHT} UYVY ({options.frames * WIDTH * HEIGHT * 2 / 2**20:.0f} MiB), "
          f"clip mode, on {len(every)} processors; conditions interleaved")
    if left_cached is not None:
        print(f"share of the disk clip left in the page cache after dropping its pages: {left_cached:.1%}")
    print(f"{'':34} {'runs':>4} {'I/O floor':>10} {'chromafold':>11} {'ratio':>6}")
    for name, _, _ in conditions:
        samples = pairs[name]
        floor_ms = statistics.median(f for f, _ in samples) * 1000
        tool_ms = statistics.median(t for _, t in samples) * 1000
        # Each chromafold run against the floor run just before it, so that both
        # see the same state of the machine.
        ratio = statistics.median(t / f for f, t in samples)
        print(f"{name:34} {len(samples):4} {floor_ms:7.1f} ms {tool_ms:8.1f} ms {ratio:6.3f}")
    working_buffer = WIDTH * HEIGHT * 2 + WIDTH * 480 * 3 // 2
    if peak is not None:
        print(f"peak memory {peak / 2**20:.1f} MiB = working buffer {working_buffer / 2**20:.1f} MiB "
              f"+ {(peak - working_buffer) / 2**20:.1f} MiB")


if __name__ == "__main__":
    main()
