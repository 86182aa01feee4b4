"""The shared library as other programs see it: what it exports, and a
conversion called from Python through ctypes with strides, compared with the
command's output for the same source.

usage: shared_library_test.py LIBRARY PROGRAM
"""
import ctypes
import os
import random
import subprocess
import sys
import tempfile
import unittest

library_path = program = None


class Geometry(ctypes.Structure):
    _fields_ = [("src_width", ctypes.c_int32), ("src_height", ctypes.c_int32),
                ("dst_width", ctypes.c_int32), ("dst_height", ctypes.c_int32),
                ("src_bytes", ctypes.c_uint64), ("dst_bytes", ctypes.c_uint64)]


def load():
    lib = ctypes.CDLL(library_path)
    lib.chromafold_version.restype = ctypes.c_char_p
    lib.chromafold_frame_geometry.argtypes = [ctypes.c_int32] * 3 + [ctypes.POINTER(Geometry)]
    pointer, stride = ctypes.c_void_p, ctypes.c_ssize_t
    lib.chromafold_convert_frame.argtypes = [ctypes.POINTER(Geometry)] + [pointer, stride] * 4
    return lib


class SharedLibrary(unittest.TestCase):
    def test_exports_only_its_c_interface(self):
        listed = subprocess.run(["nm", "-D", "--defined-only", library_path], check=True,
                                capture_output=True, text=True).stdout.split()
        names = listed[2::3]
        self.assertEqual(sorted(names), ["chromafold_convert_frame", "chromafold_frame_geometry",
                                         "chromafold_kernel_name", "chromafold_version"], listed)

    def test_strided_conversion_from_python_equals_the_command(self):
        lib = load()
        self.assertRegex(lib.chromafold_version().decode(), r"^\d+\.\d+\.\d+$")
        width, height, mode, frames = 84, 70, 1, 3
        g = Geometry()
        self.assertEqual(lib.chromafold_frame_geometry(width, height, mode, ctypes.byref(g)), 0)
        clip = random.Random(5).randbytes(frames * g.src_bytes)
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "take.yuv"), "wb") as f:
                f.write(clip)
            subprocess.run([program, "-w", str(width), "-h", str(height), "-m", str(mode), "take.yuv"],
                           cwd=folder, check=True, capture_output=True)
            with open(os.path.join(folder, "take.420"), "rb") as f:
                expected = f.read()

        # Every plane's rows further apart than they are long, by different amounts.
        src_stride, y_stride, c_stride = 2 * width + 24, g.dst_width + 64, g.dst_width // 2 + 40
        chroma_rows, chroma_width = g.dst_height // 2, g.dst_width // 2
        converted = b""
        for f in range(frames):
            frame = clip[f * g.src_bytes:(f + 1) * g.src_bytes]
            src = ctypes.create_string_buffer(b"".join(
                frame[r * 2 * width:(r + 1) * 2 * width] + b"\x01" * 24 for r in range(height)))
            y = ctypes.create_string_buffer(b"\xee" * (y_stride * g.dst_height))
            u = ctypes.create_string_buffer(b"\xee" * (c_stride * chroma_rows))
            v = ctypes.create_string_buffer(b"\xee" * (c_stride * chroma_rows))
            self.assertEqual(lib.chromafold_convert_frame(ctypes.byref(g), ctypes.addressof(src), src_stride,
                                                          ctypes.addressof(y), y_stride, ctypes.addressof(u),
                                                          c_stride, ctypes.addressof(v), c_stride), 0)
            for plane, stride, rows, length in ((y, y_stride, g.dst_height, g.dst_width),
                                                (u, c_stride, chroma_rows, chroma_width),
                                                (v, c_stride, chroma_rows, chroma_width)):
                raw = plane.raw[:stride * rows]
                for r in range(rows):
                    converted += raw[r * stride:r * stride + length]
                    self.assertEqual(raw[r * stride + length:(r + 1) * stride], b"\xee" * (stride - length),
                                     f"the gap after row {r} of {rows}, frame {f}")
        self.assertEqual(len(converted), len(expected))
        self.assertTrue(converted == expected, "the library and the command differ")


if __name__ == "__main__":
    library_path, program = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
