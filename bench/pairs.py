"""Every pair on every rung this processor runs, as a program calling the
library sees it, against a memmove of the larger of the pair's two frames.

usage: pairs.py BUILD_DIR [--rounds N] [--sizes WxH,...] [--rungs NAME,...]
                [--pairs SOURCE_OUTPUT,...] [--before BUILD_DIR] [--markdown]

The shared library is called through ctypes: a copy of it for each rung,
each capped by CHROMAFOLD_KERNEL when it first chooses its kernels, so that
every rung runs in the same process and the same rounds. In every round each
pair converts one frame several times on each rung and memmove copies the
larger of its two frames as many times after each, and the round's ratio is
the one time over the other; the figures are the medians over the rounds,
the rounds of all pairs and rungs interleaved. Every frame and plane is a
block of its own that starts on a page, filled with random bytes, so that the
conversion and the copy find the caches alike: neither runs on data the
other left there. With
--before, another build's library (an earlier release, say) converts each
frame too, with its own choice of kernels, and its figures stand beside.
"""
import argparse
import ctypes
import os
import random
import shutil
import statistics
import tempfile
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


def library(path, folder, rung):
    """A copy of the library whose kernels are chosen, up to `rung`, now."""
    copy = os.path.join(folder, f"{len(os.listdir(folder))}.so")
    shutil.copy(path, copy)
    os.environ["CHROMAFOLD_KERNEL"] = rung
    lib = ctypes.CDLL(copy)
    lib.chromafold_kernel_name.restype = ctypes.c_char_p
    lib.chromafold_row_bytes.restype = ctypes.c_size_t
    lib.chromafold_row_bytes.argtypes = [ctypes.c_int32, ctypes.c_int32, ctypes.c_int32]
    lib.chromafold_convert_planes.argtypes = [ctypes.POINTER(Geometry), ctypes.c_int32, ctypes.c_int32,
                                              ctypes.POINTER(Planes), ctypes.c_int32, ctypes.POINTER(Planes)]
    lib.name = lib.chromafold_kernel_name().decode()
    del os.environ["CHROMAFOLD_KERNEL"]
    return lib


def block(size, keep):
    """The address of `size` random bytes that start on a page, as decoders
    and capture drivers place their frames and allocators large blocks."""
    buffer = ctypes.create_string_buffer(size + 4096)
    keep.append(buffer)
    address = (ctypes.addressof(buffer) + 4095) // 4096 * 4096
    ctypes.memmove(address, random.randbytes(size), size)
    return address


def frame(lib, name, width, height, keep):
    """A frame's planes, each a block of its own, and its size."""
    planes, total = Planes(), 0
    for p in range(3):
        row = lib.chromafold_row_bytes(FORMATS[name], p, width)
        if row:
            size = row * (height // 2 if p and name in HALF else height)
            planes.data[p], planes.stride[p] = block(size, keep), row
            total += size
    return planes, total


def measure(libs, pairs, sizes, rounds):
    """Of each pair, size and library, the medians of the conversion's time
    and of the copy's, in microseconds, and of their ratio."""
    cases, keep = [], []
    for width, height in sizes:
        for source, output in pairs:
            g = Geometry()
            libs[0][1].chromafold_frame_geometry(width, height, 2, ctypes.byref(g))
            src, src_bytes = frame(libs[0][1], source, width, height, keep)
            dst, dst_bytes = frame(libs[0][1], output, g.dst_width, g.dst_height, keep)
            big = max(src_bytes, dst_bytes)
            copy = [block(big, keep) for _ in range(2)]
            for key, lib in libs:
                cases.append({"key": (f"{source}_{output}", f"{width}x{height}", key), "lib": lib, "g": g, "src": src,
                              "dst": dst, "codes": (FORMATS[source], FORMATS[output]), "copy": copy, "big": big,
                              "convert": [], "memmove": [], "ratio": []})
    for _ in range(rounds):
        random.shuffle(cases)
        for c in cases:
            calls = max(1, 2_000_000 // c["big"])
            start = time.perf_counter_ns()
            for _ in range(calls):
                c["lib"].chromafold_convert_planes(ctypes.byref(c["g"]), 0, c["codes"][0], ctypes.byref(c["src"]),
                                                   c["codes"][1], ctypes.byref(c["dst"]))
            middle = time.perf_counter_ns()
            for _ in range(calls):
                ctypes.memmove(c["copy"][0], c["copy"][1], c["big"])
            end = time.perf_counter_ns()
            c["convert"].append((middle - start) / calls / 1000)
            c["memmove"].append((end - middle) / calls / 1000)
            c["ratio"].append((middle - start) / (end - middle))
    return {c["key"]: {k: statistics.median(c[k]) for k in ("convert", "memmove", "ratio")} for c in cases}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build")
    parser.add_argument("--rounds", type=int, default=11)
    parser.add_argument("--sizes", default="720x484,1920x1080")
    parser.add_argument("--rungs", default="c,sse2,ssse3,avx2,avx512,neon")
    parser.add_argument("--pairs", help="only these, such as i420_i422,uyvy_i420")
    parser.add_argument("--before")
    parser.add_argument("--markdown", action="store_true")
    args = parser.parse_args()
    sizes = [tuple(int(n) for n in s.split("x")) for s in args.sizes.split(",")]
    pairs = [p for p in PAIRS if not args.pairs or "_".join(p) in args.pairs.split(",")]
    with tempfile.TemporaryDirectory() as folder:
        libs = []
        for rung in args.rungs.split(","):
            lib = library(os.path.join(args.build, "libchromafold.so.1"), folder, rung)
            if lib.name not in [key for key, _ in libs]:
                libs.append((lib.name, lib))  # a rung this processor lacks gives the one below again
        rungs = [key for key, _ in libs]
        if args.before:
            libs.append(("before", library(os.path.join(args.before, "libchromafold.so.1"), folder, "")))
        table = measure(libs, pairs, sizes, args.rounds)
    columns = [f"{w}x{h}" for w, h in sizes]
    if args.markdown:
        print("| Pair | Kernel | " + " | ".join(f"{c} | / memmove" for c in columns) + " |")
        print("|---|---|" + "---|---|" * len(columns))
    for source, output in pairs:
        for key in rungs + (["before"] if args.before else []):
            cells = []
            for c in columns:
                r = table[(f"{source}_{output}", c, key)]
                cells += [f"{r['convert']:.1f} us", f"{r['ratio']:.2f}"]
            name = f"{source} into {output}"
            if args.markdown:
                print(f"| {name if key == rungs[0] else ''} | {key} | " + " | ".join(cells) + " |")
            else:
                print(f"{name:18} {key:7} " + " ".join(f"{cell:>10}" for cell in cells))


if __name__ == "__main__":
    main()
