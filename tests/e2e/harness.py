"""Running chromafold in temporary folders, and what its output must be."""
import os
import random
import subprocess
import tempfile
import unittest

program = None
injected = None
runner = []
crlf = False
sanitized = False

USAGE = (b"chromafold - convert UYVY to raw420\n"
         b"usage: chromafold [option] src.yuv [more.yuv ..]\n"
         b"option:\n"
         b"  -w width  (default:720)\n"
         b"  -h height (default:486)\n"
         b"  -m mode\n"
         b"     0: clip to 16/32 (default)\n"
         b"     1: padding to 16/32\n"
         b"note:\n"
         b"  output filename is produced from input filename. (ex. foo.yuv -> foo.420)\n")


def configure(path, injected_path, wrapper, windows_line_ends, with_sanitizers):
    global program, injected, runner, crlf, sanitized
    program, injected, runner, crlf, sanitized = path, injected_path, wrapper, windows_line_ends, with_sanitizers


def on_windows():
    return crlf


def emulated():
    return bool(runner)


def console(text):
    """What `text` written to a console stream looks like in a redirected file."""
    return text.replace(b"\n", b"\r\n") if crlf else text


def geometry(width, height, mode):
    if mode == 1:
        return width, height, (width + 15) // 16 * 16, (height + 31) // 32 * 32
    return width, height, width // 16 * 16, height // 32 * 32


def model_frame(src, width, height, mode):
    """The raw420 frame of one UYVY frame, sample by sample from the definitions."""
    sw, sh, dw, dh = geometry(width, height, mode)

    def chroma(row, i, offset):
        if row >= sh or i >= sw // 2:
            return 128
        return src[row * sw * 2 + 4 * i + offset]

    out = bytearray()
    for row in range(dh):
        base = row * sw * 2
        out += bytes(src[base + 2 * x + 1] if row < sh and x < sw else 16 for x in range(dw))
    for offset in (0, 2):
        for k in range(dh // 2):
            if k % 2 == 0:
                sums = (3 * chroma(2 * k, i, offset) + chroma(2 * k + 2, i, offset) for i in range(dw // 2))
            else:
                sums = (chroma(2 * k - 1, i, offset) + 3 * chroma(2 * k + 1, i, offset) for i in range(dw // 2))
            out += bytes((s + 2) >> 2 for s in sums)
    return bytes(out)


def model_file(data, width, height, mode):
    frame = width * height * 2
    return b"".join(model_frame(data[f * frame:(f + 1) * frame], width, height, mode)
                    for f in range(len(data) // frame if frame else 0))


def progress(frames):
    """Standard output of a conversion that wrote `frames` frames."""
    if frames == 0:
        return b""
    return b"".join(b"frame: %d\r" % i for i in range(frames)) + console(b"frame: %d - finish!!\n" % frames)


def random_clip(seed, size):
    return random.Random(seed).randbytes(size)


class Case(unittest.TestCase):
    """A test case with its own temporary working folder."""

    def setUp(self):
        self._folder = tempfile.TemporaryDirectory(prefix="chromafold-e2e-")
        self.root = self._folder.name
        self.cwd = os.path.join(self.root, "work")
        os.mkdir(self.cwd)

    def tearDown(self):
        self._folder.cleanup()

    def locale_env(self, locale, charmap):
        """An environment whose LC_ALL is `locale`.`charmap`, built here with localedef."""
        folder = os.path.join(self.root, "locales")
        os.makedirs(folder, exist_ok=True)
        name = f"{locale}.{charmap}"
        made = subprocess.run(["localedef", "-c", "-i", locale, "-f", charmap, os.path.join(folder, name)],
                              capture_output=True)
        # Status 1 means built with warnings, such as a charmap that is not ASCII-compatible.
        self.assertIn(made.returncode, (0, 1), made.stderr.decode(errors="replace"))
        return dict(os.environ, LOCPATH=folder, LC_ALL=name)

    def path(self, name):
        return os.path.join(self.cwd, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def run_program(self, *args, env=None, timeout=120, stdin=subprocess.DEVNULL, binary=None,
                    limits=None):
        """Runs the program, or `binary`, with `args`; `limits` is a function that
        sets resource limits in the child before it starts the program."""
        command = runner + [binary or program] + [a if isinstance(a, bytes) else a.encode() for a in args]
        completed = subprocess.run(command, cwd=self.cwd, env=env, stdin=stdin, preexec_fn=limits,
                                   capture_output=True, timeout=timeout)
        return completed.returncode, completed.stdout, completed.stderr

    def assert_run(self, args, status=0, stdout=b"", stderr=b"", **kwargs):
        got = self.run_program(*args, **kwargs)
        self.assertEqual(got, (status, stdout, console(stderr)), args)
