# Running chromafold in temporary folders, and what its output must be. The
# environment names the program, its build with injected faults and the model
# of its output; a runner command (an emulator, say) to run them behind; and
# whether console lines end in CR LF and the programs carry AddressSanitizer,
# which needs more address space than some tests leave.
import os
import random
import shlex
import subprocess
import tempfile
import unittest

program, injected, model = (os.environ["CHROMAFOLD_" + name] for name in ("PROGRAM", "INJECTED", "MODEL"))
runner = shlex.split(os.environ.get("CHROMAFOLD_RUNNER", ""))
crlf, sanitized = (os.environ.get("CHROMAFOLD_" + name) == "1" for name in ("CRLF", "SANITIZED"))

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


def on_windows():
    return crlf


def console(text):
    # What `text` written to a console stream looks like in a redirected file.
    return text.replace(b"\n", b"\r\n") if crlf else text


def progress(frames):
    # Standard output of a conversion that wrote `frames` frames.
    if frames == 0:
        return b""
    return b"".join(b"frame: %d\r" % i for i in range(frames)) + console(b"frame: %d - finish!!\n" % frames)


def random_clip(seed, size):
    return random.Random(seed).randbytes(size)


class Case(unittest.TestCase):
    # A test case with its own temporary working folder.

    def setUp(self):
        self._folder = tempfile.TemporaryDirectory(prefix="chromafold-e2e-")
        self.root = self._folder.name
        self.cwd = os.path.join(self.root, "work")
        os.mkdir(self.cwd)

    def tearDown(self):
        self._folder.cleanup()

    def locale_env(self, locale, charmap):
        # An environment whose LC_ALL is `locale`.`charmap`, built here with localedef.
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

    def model(self, data, width, height, mode=0):
        # The raw420 frames of every whole UYVY frame of `data`, from the per-sample model.
        source, output = os.path.join(self.root, "model.yuv"), os.path.join(self.root, "model.420")
        with open(source, "wb") as f:
            f.write(data)
        subprocess.run(runner + [model, str(width), str(height), str(mode), source, output], check=True)
        with open(output, "rb") as f:
            return f.read()

    def run_program(self, *args, env=None, timeout=120, binary=None, limits=None, stdin=None):
        # Runs the program, or `binary`, with `args` and the bytes `stdin` on
        # its standard input; `limits` is a function that sets resource limits
        # in the child before it starts the program.
        command = runner + [binary or program] + [a if isinstance(a, bytes) else a.encode() for a in args]
        completed = subprocess.run(command, cwd=self.cwd, env=env, input=stdin, preexec_fn=limits,
                                   stdin=None if stdin is not None else subprocess.DEVNULL,
                                   capture_output=True, timeout=timeout)
        return completed.returncode, completed.stdout, completed.stderr

    def assert_run(self, args, status=0, stdout=b"", stderr=b"", **kwargs):
        got = self.run_program(*args, **kwargs)
        self.assertEqual(got, (status, stdout, console(stderr)), args)

    def run_untouched(self, clips, args, **kwargs):
        # Runs with the sources `clips` and checks that each keeps its bytes and its time.
        for name, data in clips.items():
            self.write(name, data)
        times = {name: os.stat(self.path(name)).st_mtime_ns for name in clips}
        got = self.run_program(*args, **kwargs)
        for name, data in clips.items():
            self.assertEqual(os.stat(self.path(name)).st_mtime_ns, times[name], name)
            self.assertEqual(self.read(name), data, name)
        return got
