"""Every pair on every rung this processor runs, as a program calling the
library sees it, against a memmove of the larger of the pair's two frames.

usage: pairs.py BUILD_DIR [--rounds N] [--sizes WxH,...] [--rungs NAME,...]
                [--before BUILD_DIR] [--markdown]

The shared library is called through ctypes, one process a rung, the rung
capped by CHROMAFOLD_KERNEL. In every round each pair converts one frame
several times and memmove copies the larger of its two frames as many times,
in turn, and the round's ratio is the one time over the other; the figures
are the medians over the rounds, the rounds of all pairs interleaved. Every
frame and plane is a block of its own, filled with random bytes, so that the
conversion and the copy find the caches alike: neither runs on data the
other left there. With --before, another build's library (an earlier
release, say) converts each frame too, in the same rounds, and its figures
stand beside.
"""
import argparse
import ctypes
import json
import os
import random
import statistics
import subprocess
import sys
import time

FORMATS = {"uyvy": 16, "yuy2": 17, "v210": 18, "i422": 19, "nv16": 20, "i422_10": 21, "p210": 22,
           "i420": 32, "nv12": 33, "i010": 34, "p010": 35}
HALF = ("i420", "nv12", "i010", "p010")
PAIRS = [(s, o) for back in (False, True) for s in FORMATS for o in FORMATS
         if (s in HALF) == back and (o in HALF) != back]


class Geometry(ctypes.Structure):
    _fields_ = [("src_width", ctypes.c_int32), ("src_height", ctypes.c_int32), ("dst_width", ctypes.c_int32),
                ("dst_height", ctypes.c_int32), ("src_bytes", ctypes.c_uint64), ("dst_bytes", ctypes.c_uint64)]


class Planes(ctypes.Structure):
    _fields_ = [("data", ctypes.c_void_p * 3), ("stride", ctypes.c_ssize_t * 3)]


def library(build):
    lib = ctypes.CDLL(os.path.join(build, "libchromafold.so.1"))
    lib.chromafold_kernel_name.restype = ctypes.c_char_p
    lib.chromafold_row_bytes.restype = ctypes.c_size_t
    lib.chromafold_row_bytes.argtypes = [ctypes.c_int32, ctypes.c_int32, ctypes.c_int32]
    lib.chromafold_convert_planes.argtypes = [ctypes.POINTER(Geometry), ctypes.c_int32, ctypes.c_int32,
                                              ctypes.POINTER(Planes), ctypes.c_int32, ctypes.POINTER(Planes)]
    return lib


def frame(lib, name, width, height, keep):
    """A frame's planes, each a block of random bytes, and its size."""
    planes, blocks, total = Planes(), [], 0
    for p in range(3):
        row = lib.chromafold_row_bytes(FORMATS[name], p, width)
        if row:
            size = row * (height // 2 if p and name in HALF else height)
            block = ctypes.create_string_buffer(random.randbytes(size), size)
            blocks.append(block)
            planes.data[p], planes.stride[p] = ctypes.addressof(block), row
            total += size
    keep.extend(blocks)
    return planes, total


def measure(builds, sizes, rounds):
    """In a child whose rung CHROMAFOLD_KERNEL caps: the rung's name and, of
    each pair and size and each build's library, the medians of the
    conversion's time, the copy's time and their ratio, in microseconds."""
    libs = [library(build) for build in builds]
    lib = libs[0]
    cases, keep = [], []
    for width, height in sizes:
        for source, output in PAIRS:
            g = Geometry()
            lib.chromafold_frame_geometry(width, height, 2, ctypes.byref(g))
            src, src_bytes = frame(lib, source, width, height, keep)
            dst, dst_bytes = frame(lib, output, g.dst_width, g.dst_height, keep)
            big = max(src_bytes, dst_bytes)
            copy = [ctypes.create_string_buffer(random.randbytes(big), big) for _ in range(2)]
            keep.extend(copy)
            for b in range(len(libs)):
                cases.append({"pair": f"{source}_{output}", "size": f"{width}x{height}", "build": b, "g": g,
                              "src": src, "dst": dst, "codes": (FORMATS[source], FORMATS[output]), "copy": copy,
                              "big": big, "convert": [], "memmove": [], "ratio": []})
    for _ in range(rounds):
        random.shuffle(cases)
        for c in cases:
            calls = max(1, 2_000_000 // c["big"])
            start = time.perf_counter_ns()
            for _ in range(calls):
                libs[c["build"]].chromafold_convert_planes(ctypes.byref(c["g"]), 0, c["codes"][0],
                                                           ctypes.byref(c["src"]), c["codes"][1], ctypes.byref(c["dst"]))
            middle = time.perf_counter_ns()
            for _ in range(calls):
                ctypes.memmove(c["copy"][0], c["copy"][1], c["big"])
            end = time.perf_counter_ns()
            c["convert"].append((middle - start) / calls / 1000)
            c["memmove"].append((end - middle) / calls / 1000)
            c["ratio"].append((middle - start) / (end - middle))
    return {"rung": lib.chromafold_kernel_name().decode(),
            "results": [{k: (statistics.median(c[k]) if k in ("convert", "memmove", "ratio") else c[k])
                         for k in ("pair", "size", "build", "convert", "memmove", "ratio")} for c in cases]}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build")
    parser.add_argument("--rounds", type=int, default=11)
    parser.add_argument("--sizes", default="720x484,1920x1080")
    parser.add_argument("--rungs", default="c,sse2,ssse3,avx2,avx512,neon")
    parser.add_argument("--before")
    parser.add_argument("--pairs", help="only these, such as i420_i422,uyvy_i420")
    parser.add_argument("--markdown", action="store_true")
    parser.add_argument("--child", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    sizes = [tuple(int(n) for n in s.split("x")) for s in args.sizes.split(",")]
    builds = [args.build] + ([args.before] if args.before else [])
    if args.child:
        global PAIRS
        PAIRS = [p for p in PAIRS if not args.pairs or "_".join(p) in args.pairs.split(",")]
        json.dump(measure(builds, sizes, args.rounds), sys.stdout)
        return
    table, seen = {}, []
    for rung in args.rungs.split(","):
        done = subprocess.run([sys.executable, __file__, args.build, "--child", "--rounds", str(args.rounds),
                               "--sizes", args.sizes] + (["--before", args.before] if args.before else []) +
                              (["--pairs", args.pairs] if args.pairs else []),
                              env=dict(os.environ, CHROMAFOLD_KERNEL=rung), capture_output=True, text=True, check=True)
        measured = json.loads(done.stdout)
        if measured["rung"] in seen:
            continue  # a rung this processor lacks: the one below it again
        seen.append(measured["rung"])
        for r in measured["results"]:
            table[(r["pair"], r["size"], measured["rung"], r["build"])] = r
    columns = [(f"{w}x{h}", b) for w, h in sizes for b in range(len(builds))]
    if args.markdown:
        print("| Pair | Kernel | " + " | ".join(f"{c}{' before' if b else ''} | / memmove" for c, b in columns) + " |")
        print("|---|---|" + "---|---|" * len(columns))
    for source, output in PAIRS:
        if args.pairs and f"{source}_{output}" not in args.pairs.split(","):
            continue
        for rung in seen:
            cells = []
            for c, b in columns:
                r = table[(f"{source}_{output}", c, rung, b)]
                cells += [f"{r['convert']:.1f} us", f"{r['ratio']:.2f}"]
            name = f"{source} into {output}"
            if args.markdown:
                print(f"| {name if rung == seen[0] else ''} | {rung} | " + " | ".join(cells) + " |")
            else:
                print(f"{name:18} {rung:7} " + " ".join(f"{cell:>10}" for cell in cells))


if __name__ == "__main__":
    main()
