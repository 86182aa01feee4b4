# The shared library as other programs see it: it exports only its C
# interface, and a conversion called from Python through ctypes into strided
# planes equals the command's output and leaves the gaps between rows alone.
#
# usage: shared_library_test.py LIBRARY PROGRAM
import ctypes
import os
import random
import subprocess
import sys
import tempfile

library, program = map(os.path.abspath, sys.argv[1:3])
listed = subprocess.run(["nm", "-D", "--defined-only", library], check=True, capture_output=True, text=True)
names = sorted(listed.stdout.split()[2::3])
assert names == ["chromafold_convert_frame", "chromafold_frame_geometry", "chromafold_kernel_name",
                 "chromafold_version"], names


class Geometry(ctypes.Structure):
    _fields_ = ([(name, ctypes.c_int32) for name in ("src_width", "src_height", "dst_width", "dst_height")]
                + [(name, ctypes.c_uint64) for name in ("src_bytes", "dst_bytes")])


lib = ctypes.CDLL(library)
lib.chromafold_frame_geometry.argtypes = [ctypes.c_int32] * 3 + [ctypes.POINTER(Geometry)]
lib.chromafold_convert_frame.argtypes = [ctypes.POINTER(Geometry)] + [ctypes.c_void_p, ctypes.c_ssize_t] * 4
width, height, frames = 84, 70, 3
g = Geometry()
assert lib.chromafold_frame_geometry(width, height, 1, ctypes.byref(g)) == 0
clip = random.Random(5).randbytes(frames * g.src_bytes)
with tempfile.TemporaryDirectory() as folder:
    with open(os.path.join(folder, "take.yuv"), "wb") as f:
        f.write(clip)
    subprocess.run([program, "-w", str(width), "-h", str(height), "-m1", "take.yuv"], cwd=folder, check=True,
                   capture_output=True)
    with open(os.path.join(folder, "take.420"), "rb") as f:
        expected = f.read()

# Every plane's rows further apart than they are long, each by its own amount.
src_stride = 2 * width + 24
planes = [(g.dst_width + 64, g.dst_height, g.dst_width), (g.dst_width // 2 + 40, g.dst_height // 2, g.dst_width // 2),
          (g.dst_width // 2 + 8, g.dst_height // 2, g.dst_width // 2)]
converted = b""
for f in range(frames):
    frame = clip[f * g.src_bytes:(f + 1) * g.src_bytes]
    src = ctypes.create_string_buffer(b"".join(frame[r * 2 * width:(r + 1) * 2 * width] + b"\x01" * 24
                                               for r in range(height)))
    blocks = [ctypes.create_string_buffer(b"\xee" * (stride * rows)) for stride, rows, _ in planes]
    strided = [x for block, (stride, _, _) in zip(blocks, planes) for x in (ctypes.addressof(block), stride)]
    assert lib.chromafold_convert_frame(ctypes.byref(g), ctypes.addressof(src), src_stride, *strided) == 0
    for block, (stride, rows, length) in zip(blocks, planes):
        lines = [block.raw[r * stride:(r + 1) * stride] for r in range(rows)]
        assert all(line[length:] == b"\xee" * (stride - length) for line in lines), f"a gap written in frame {f}"
        converted += b"".join(line[:length] for line in lines)
assert converted == expected, "the library and the command differ"
print("exports", names, "and a strided conversion from Python equal to the command's")
