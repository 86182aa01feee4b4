# chromafold-pipe: every pair both ways, through YUV4MPEG2 and headerless
# frames, files and standard streams, in every mode and both scans, against
# the model; the header it writes; every refusal with its message and status;
# and the ends of a stream: a reader that goes away, FIFOs, one frame of
# latency, progress on a terminal.
import itertools
import os
import pty
import select
import signal
import subprocess
import sys
import threading
import time
import unittest

from harness import Case, console, model, random_clip, runner

pipe = os.environ["CHROMAFOLD_PIPE"]
CODES = dict(zip("uyvy yuy2 v210 i422 nv16 i422_10 p210 i420 nv12 i010 p010".split(), [*range(16, 23), *range(32, 36)]))
WORDS = ("i422_10", "p210", "i010", "p010")  # of 16-bit samples
Y4M = {"i422": "422", "i422_10": "422p10", "i420": "420mpeg2", "i010": "420p10"}
COUNTERPART = {**dict.fromkeys(("uyvy", "yuy2", "i422", "nv16"), "i420"), **dict.fromkeys(("nv12", "i420"), "i422"),
               **dict.fromkeys(("v210", "i422_10", "p210"), "i010"), **dict.fromkeys(("i010", "p010"), "i422_10")}
MODES = {"clip": (0, 32, 32), "padding": (1, 48, 64), "keep": (2, 46, 36)}


def frame_bytes(layout, width=46, height=36):
    if layout == "v210":
        return (width + 47) // 48 * 128 * height
    return width * height * (3 if CODES[layout] >= 32 else 4) // 2 * (2 if layout in WORDS else 1)


def y4m(chroma, frames, tags="F25:1 It A1:1", width=46, height=36):
    return f"YUV4MPEG2 W{width} H{height} {tags} C{chroma} XTAG=1\n".encode() + b"".join(b"FRAME\n" + f for f in frames)


class Pipe(Case):
    def pipe(self, *args, stdin=b""):
        return self.run_program(*args, binary=pipe, stdin=stdin)

    def test_every_pair_in_every_mode_and_scan_against_the_model(self):
        # Each case takes YUV4MPEG2 input where its layout has a chroma tag
        # and the case is even, else headerless frames; writes YUV4MPEG2, or
        # headerless frames of a planar layout (--raw) or of any (--to), in
        # turn, the planar ones of the other depth by --depth; and runs
        # between files or the standard streams in turn.
        pairs = [(s, o) for s in CODES for o in CODES if (CODES[s] >= 32) != (CODES[o] >= 32)]
        cases, jobs = [], []
        for n, ((source, output), mode, scan) in enumerate(itertools.product(pairs, MODES, (0, 1))):
            frames = [random_clip(n * 2 + k, frame_bytes(source)) for k in range(2)]
            self.write(f"{n}.raw", b"".join(frames))
            y4m_in, planar = source in Y4M and n % 2 == 0, output in Y4M
            y4m_out = planar and n % 3 == 2
            depth = [] if output == COUNTERPART[source] and n % 5 else ["--depth", "10" if output in WORDS else "8"]
            args = ([] if y4m_in else ["--from", source, "--size", "46x36"]) + ["--mode", mode] + ["--progressive"] * scan
            args += ([] if y4m_in else ["--rate", "25"]) + depth if y4m_out else ["--raw"] + depth if planar and n % 3 \
                else ["--to", output]
            _, width, height = MODES[mode]
            header = (f"YUV4MPEG2 W{width} H{height} F25:1 {'Ip' if scan else 'It'}{' A1:1' * y4m_in} C{Y4M[output]}"
                      f"{' XTAG=1' * y4m_in} XYSCSS={Y4M[output].upper()}\n" if y4m_out else "")
            cases.append((n, args, y4m(Y4M[source], frames) if y4m_in else b"".join(frames), header))
            jobs.append(f"46 36 {MODES[mode][0]} {n}.raw {n}.model {CODES[source]} {CODES[output]} {scan}\n")
        subprocess.run(runner + [model, "-"], cwd=self.cwd, input="".join(jobs).encode(), check=True)
        for n, args, stdin, header in cases:
            self.write(f"{n}.in", stdin)
            status, stdout, stderr = self.pipe("--quiet", *args, *([f"{n}.in", f"{n}.out"] if n % 4 else ["-"]),
                                               stdin=stdin if n % 4 == 0 else b"")
            want = self.read(f"{n}.model")
            want = header.encode() + b"FRAME\n" + want[:len(want) // 2] + b"FRAME\n" + want[len(want) // 2:] if header else want
            self.assertEqual((status, stderr), (0, b""), args)
            self.assertEqual(stdout if n % 4 == 0 else self.read(f"{n}.out"), want, (n, args))

    def test_the_header_keeps_every_tag_it_does_not_change(self):
        # The size, the interlacing and the chroma are the output's, in place
        # or added; every other tag, and every FRAME line's, as it was.
        cases = [  # input tags, its layout, arguments, output tags
            ("W46 H36 F30000:1001 Ib A10:11 C422 XYSCSS=422 XCOLORRANGE=LIMITED X", "i422", [],
             "W46 H36 F30000:1001 Ib A10:11 C420mpeg2 XYSCSS=420MPEG2 XCOLORRANGE=LIMITED X"),
            ("H36 W46  F25:1 C422", "i422", ["--field-order", "bff"], "H36 W46 F25:1 C420mpeg2 Ib XYSCSS=420MPEG2"),
            ("W46 H36 Ip C420", "i420", ["--field-order", "tff", "--mode", "clip"], "W32 H32 It C422 XYSCSS=422"),
            ("W46 H36 Ib", "i420", [], "W46 H36 Ib C422 XYSCSS=422"),
            ("W46 H36 Im C422p10", "i422_10", [], "W46 H36 Im C420p10 XYSCSS=420P10"),
        ]
        for tags, layout, args, want in cases:
            frame = random_clip(1, frame_bytes(layout))
            lines = [b"FRAME Xtii Ibpp\n", b"FRAME\n" if "Im" not in tags else b"FRAME Itii\n"]
            stream = f"YUV4MPEG2 {tags}\n".encode() + b"".join(line + frame for line in lines)
            status, stdout, stderr = self.pipe("--quiet", *args, stdin=stream)
            self.assertEqual((status, stderr), (0, b""), tags)
            self.assertTrue(stdout.startswith(f"YUV4MPEG2 {want}\n".encode()), (tags, stdout[:100]))
            self.assertEqual([stdout.count(line) for line in lines], [1, 1], tags)
        # A mixed stream's frames each by their own sampling, as the whole
        # stream would be by it.
        frames = stdout.split(lines[1])[1], stdout.split(lines[1])[0].split(lines[0])[1]
        for arg, converted in (("--field-order=tff", frames[0]), ("--progressive", frames[1])):
            self.assertTrue(self.pipe("--quiet", arg, stdin=stream)[1].endswith(converted), arg)

    def test_help_and_version_go_to_standard_output(self):
        status, stdout, stderr = self.pipe("--help")
        self.assertEqual((status, stderr), (0, b""))
        self.assertTrue(stdout.startswith(b"usage: chromafold-pipe [options] [INPUT [OUTPUT]]"), stdout)
        self.assertIn(console(b"  --depth 8|10"), stdout)
        status, stdout, stderr = self.pipe("--version", "--help")
        self.assertEqual((status, stderr), (0, b""))
        self.assertRegex(stdout, rb"^chromafold-pipe [0-9]+\.[0-9]+\.[0-9]+\r?\n$")

    def test_refusals_name_the_value_and_the_rule(self):
        # Each message's start: the value and the rule.
        f422 = bytes(46 * 36 * 2)
        stream = y4m("422", [f422])
        self.write("take.y4m", stream)
        cases = [  # arguments, input, status, message
            (["--frm"], b"", 1, "unknown option --frm (chromafold-pipe --help lists them)"),
            (["--mode", "wide"], b"", 1, "unknown mode 'wide': keep, clip or padding"),
            (["--from=rgb"], b"", 1, "unknown format 'rgb' for --from: uyvy, yuy2, v210, i422, nv16, i422_10 or p210"),
            (["--field-order", "top"], b"", 1, "unknown field order 'top': tff or bff"),
            (["--size", "720x"], b"", 1, "size '720x' is not WIDTHxHEIGHT"),
            (["--rate", "0:1"], b"", 1, "rate '0:1' is not N:D or N"),
            (["--to"], b"", 1, "option --to needs a value"),
            (["a", "b", "c"], b"", 1, "too many files: c (INPUT and OUTPUT at most)"),
            (["--from", "uyvy"], b"", 1, "--from needs --size"),
            (["--size", "46x36"], b"", 1, "--size and --rate describe headerless input, and need --from"),
            (["--field-order", "tff", "--progressive"], b"", 1, "--field-order and --progressive each say how"),
            (["--depth", "9"], b"", 1, "unknown depth '9': 8 or 10"),
            (["--depth=8", "--to", "i420"], b"", 1, "--depth and --to each choose the output's layout: give one"),
            (["--from", "uyvy", "--size", "46x36"], b"", 1, "YUV4MPEG2 output needs a frame rate"),
            (["--to", "nv12"], y4m("420mpeg2", []), 1, "--to nv12: the input is i420, and chromafold converts it into "
                                                      "uyvy, yuy2, v210, i422, nv16, i422_10 or p210"),
            ([], b"", 2, "standard input ended before any stream header: what writes it wrote nothing"),
            ([], b"YUV4MPEG W46 H36\n", 2, "standard input does not begin with a YUV4MPEG2 stream header"),
            ([], b"YUV4MPEG2 " + b"X" * 5000, 2, "the stream header does not end within 4096 bytes"),
            ([], b"YUV4MPEG2 W46 H36 W46 It C422\n", 2, "the stream header gives its W tag twice"),
            ([], b"YUV4MPEG2 W4x H36 It\n", 2, "the stream header's tag W4x is malformed"),
            # Ten digits, 2^32 + 46, would wrap in 32 bits into a width it takes.
            ([], b"YUV4MPEG2 W4294967342 H36 It\n", 2, "the stream header's tag W4294967342 is malformed"),
            ([], b"YUV4MPEG2 W46 H36 Ix\n", 2, "the stream header's tag Ix is malformed"),
            ([], b"YUV4MPEG2 H36 It\n", 2, "the stream header gives no width (its W tag)"),
            ([], y4m("420paldv", []), 2, "chroma C420paldv is not converted: chromafold-pipe takes C422 and C422p10"),
            *[([], y4m(chroma, []), 2, f"chroma C{chroma} is not converted") for chroma in ("444", "mono", "411")],
            ([], y4m("422", [], "Ip"), 2, "the stream says no field order (Ip): give it with --field-order tff or bff"),
            *[([], y4m("422", [], tags), 2, f"the stream says no field order ({said})") for tags, said in
              (("I?", "I?"), ("F25:1", "no I tag"))],
            ([], y4m("422", [], width=47), 2, "a 47x36 frame: chromafold converts frames of an even width"),
            (["--from", "uyvy", "--size", "100000000x2", "--raw"], b"", 2, "a 100000000x2 frame: chromafold converts"),
            ([], y4m("420", [], height=34), 2, "a 4:2:0 frame of 34 rows: chromafold takes 4:2:0 frames of a multiple"),
            (["--mode", "clip"], y4m("422", [], width=14), 2, "mode clip leaves nothing of a 14x36 frame"),
            ([], stream + b"FRAMES\n" + f422, 2, "frame 2 does not begin with a FRAME line"),
            ([], stream + b"FRAME " + b"I" * 5000, 2, "the FRAME line of frame 2 does not end within 4096 bytes"),
            ([], y4m("422", [f422], "Im"), 2, "frame 1 of a mixed (Im) stream says not how it was sampled: its FRAME line"),
            ([], stream + b"FRAME\n" + f422[:-100], 3, "frame 2 is cut short: the input ends 100 bytes before its end "
                                                       "(1 whole frames converted)"),
            ([], stream + b"FRA", 3, "the input ends within the FRAME line of frame 2 (1 whole frames converted)"),
            (["--from", "v210", "--size", "48x4", "--raw"], bytes(128 * 4 + 1), 3,
             "frame 2 is cut short: the input ends 511 bytes before its end (1 whole frames converted)"),
            (["missing.y4m"], b"", 4, "cannot open missing.y4m: No such file or directory"),
            (["-", "no/such/folder.y4m"], stream, 4, "cannot create no/such/folder.y4m: No such file or directory"),
            (["take.y4m", "./take.y4m"], b"", 4, "the output ./take.y4m is the input itself; nothing was written"),
        ]
        for args, stdin, status, text in cases:
            got_status, stdout, stderr = self.pipe(*args, stdin=stdin)
            self.assertEqual(got_status, status, args)
            self.assertTrue(stderr.startswith(console(f"error - {text}".encode())), (args, stderr))
            self.assertEqual(stderr.count(b"\n"), 1, stderr)
            # The whole frames before the one refused are written.
            self.assertEqual(stdout.count(b"FRAME\n"), int(stdin.startswith(stream) and stdin != stream), args)
        self.assertEqual(self.read("take.y4m"), stream)
        # An input opened as descriptor 0, standard input being closed, is the input all the same.
        self.assertEqual(self.run_program("take.y4m", "out.y4m", binary=pipe, limits=lambda: os.close(0))[0], 0)

    @unittest.skipIf(sys.platform == "win32" or runner, "POSIX pipes, FIFOs, devices and terminals")
    def test_the_ends_of_a_stream(self):
        header, one = y4m("422", []), b"FRAME\n" + bytes(46 * 36 * 2)
        # A reader that goes away ends it at once and quietly, SIGPIPE taken
        # or ignored; the input never ends.
        self.write("head.y4m", header)
        self.write("one.frame", one)
        for ignore, status in (("", 128 + signal.SIGPIPE), ("trap '' PIPE; ", 4)):
            done = subprocess.run(f"{ignore}{{ cat head.y4m; while cat one.frame; do :; done; }} 2>/dev/null | {pipe} 2>err"
                                  " | head -c 1000 >/dev/null; echo ${PIPESTATUS[1]}", shell=True, executable="/bin/bash",
                                  cwd=self.cwd, capture_output=True, timeout=30)
            self.assertEqual((done.stdout, self.read("err")), (f"{status}\n".encode(), b""), ignore)
        # One frame in, one frame out: nothing waits for the next frame.
        with subprocess.Popen([pipe, "--quiet"], stdin=subprocess.PIPE, stdout=subprocess.PIPE) as process:
            process.stdin.write(header + one)
            process.stdin.flush()
            got, deadline, whole = b"", time.monotonic() + 10, lambda got: got.find(b"\n") + 7 + 46 * 36 * 3 // 2
            while len(got) != whole(got) and select.select([process.stdout], [], [], max(0, deadline - time.monotonic()))[0]:
                got += os.read(process.stdout.fileno(), 1 << 20)
            self.assertEqual((got.count(b"FRAME\n"), len(got)), (1, whole(got)))
            process.stdin.close()
            self.assertEqual(process.wait(timeout=10), 0)
        # Progress on a terminal, with the share done of a regular file; a
        # FIFO at each end; a full device.
        self.write("take.y4m", header + one * 3)
        leader, follower = pty.openpty()
        self.assertEqual(subprocess.run([pipe, "take.y4m", "out.y4m"], cwd=self.cwd, stderr=follower).returncode, 0)
        os.close(follower)
        shown = os.read(leader, 4096)
        os.close(leader)
        self.assertRegex(shown, rb"^\r3 frames, [0-9.]+ frames a second, 100%, 0:00 left\r?\n3 frames converted")
        os.mkfifo(self.path("in.fifo"))
        os.mkfifo(self.path("out.fifo"))
        threading.Thread(target=lambda: self.write("in.fifo", header + one * 3), daemon=True).start()
        with subprocess.Popen(["cat", "out.fifo"], cwd=self.cwd, stdout=subprocess.PIPE) as reading:
            self.assertEqual(self.pipe("in.fifo", "out.fifo"), (0, b"", b"3 frames converted\n"))
            self.assertEqual(reading.communicate()[0], self.read("out.y4m"))
        self.assertEqual(self.pipe("take.y4m", "/dev/full")[::2], (4, b"error - cannot write /dev/full: No space left on "
                                                                      b"device\n"))


if __name__ == "__main__":
    unittest.main()
