# chromafold-pipe: every pair both ways, through YUV4MPEG2 and headerless
# frames, files and standard streams, in every mode and both scans, against
# the model; the header it writes; every refusal with its message and status;
# and the ends of a stream: a reader that goes away, FIFOs, one frame of
# latency, progress on a terminal.
import itertools
import os
import select
import signal
import subprocess
import sys
import threading
import time
import unittest

from harness import Case, console, model, random_clip, runner

pipe = os.environ["CHROMAFOLD_PIPE"]
CODES = {"uyvy": 16, "yuy2": 17, "v210": 18, "i422": 19, "nv16": 20, "i422_10": 21, "p210": 22,
         "i420": 32, "nv12": 33, "i010": 34, "p010": 35}
Y4M = {"i422": "422", "i422_10": "422p10", "i420": "420mpeg2", "i010": "420p10"}
COUNTERPART = {"i420": "i422", "nv12": "i422", "i010": "i422_10", "p010": "i422_10"}
for full in ("uyvy", "yuy2", "i422", "nv16"):
    COUNTERPART[full] = "i420"
for full in ("v210", "i422_10", "p210"):
    COUNTERPART[full] = "i010"
MODES = {"clip": (0, 32, 32), "padding": (1, 48, 64), "keep": (2, 46, 36)}


def frame_bytes(layout, width, height):
    if layout == "v210":
        return (width + 47) // 48 * 128 * height
    samples = width * height * (3 if CODES[layout] >= 32 else 4) // 2
    return samples * (2 if layout in ("i422_10", "p210", "i010", "p010") else 1)


def y4m(chroma, frames, tags="F25:1 It A1:1", width=46, height=36):
    return b"".join([f"YUV4MPEG2 W{width} H{height} {tags} C{chroma} XTAG=1\n".encode()] +
                    [b"FRAME\n" + f for f in frames])


class Pipe(Case):
    def pipe(self, *args, stdin=b"", **kwargs):
        done = subprocess.run(runner + [pipe] + list(args), cwd=self.cwd, input=stdin, capture_output=True,
                              timeout=120, **kwargs)
        return done.returncode, done.stdout, done.stderr

    def test_every_pair_in_every_mode_and_scan_against_the_model(self):
        # Each case takes YUV4MPEG2 input where its layout has a chroma tag
        # and the case is even, else headerless frames; writes YUV4MPEG2, or
        # headerless frames of the default layout (--raw) or of any (--to),
        # in turn; and runs between files or the standard streams in turn.
        pairs = [(s, o) for s in CODES for o in CODES if (CODES[s] >= 32) != (CODES[o] >= 32)]
        cases, jobs = [], []
        for n, ((source, output), mode, scan) in enumerate(itertools.product(pairs, MODES, (0, 1))):
            frames = [random_clip(n * 2 + k, frame_bytes(source, 46, 36)) for k in range(2)]
            self.write(f"{n}.raw", b"".join(frames))
            y4m_in = source in Y4M and n % 2 == 0
            args = [] if y4m_in else ["--from", source, "--size", "46x36"]
            args += ["--mode", mode] + ["--progressive"] * scan
            default = output == COUNTERPART[source]
            y4m_out = default and n % 3 == 2
            args += ([] if y4m_in else ["--rate", "25"]) if y4m_out else ["--raw"] if default and n % 3 else ["--to", output]
            stdin = y4m(Y4M[source], frames) if y4m_in else b"".join(frames)
            cases.append((n, args, stdin, y4m_out and (y4m_in, output, mode, scan)))
            jobs.append(f"46 36 {MODES[mode][0]} {n}.raw {n}.model {CODES[source]} {CODES[output]} {scan}\n")
        subprocess.run(runner + [model, "-"], cwd=self.cwd, input="".join(jobs).encode(), check=True)
        for n, args, stdin, y4m_out in cases:
            self.write(f"{n}.in", stdin)
            ends = [f"{n}.in", f"{n}.out"] if n % 4 else ["-"]
            status, stdout, stderr = self.pipe("--quiet", *args, *ends, stdin=stdin if n % 4 == 0 else b"")
            got, want = stdout if n % 4 == 0 else self.read(f"{n}.out"), self.read(f"{n}.model")
            if y4m_out:
                y4m_in, output, mode, scan = y4m_out
                _, width, height = MODES[mode]
                chroma = Y4M[output]
                header = (f"YUV4MPEG2 W{width} H{height} F25:1 {'Ip' if scan else 'It'}{' A1:1' * y4m_in} C{chroma}"
                          f"{' XTAG=1' * y4m_in} XYSCSS={chroma.upper()}\n")
                size = len(want) // 2
                want = header.encode() + b"".join(b"FRAME\n" + want[k * size:(k + 1) * size] for k in range(2))
            self.assertEqual((status, stderr), (0, b""), args)
            self.assertEqual(got, want, (n, args))

    def test_the_header_keeps_every_tag_it_does_not_change(self):
        # The size, the interlacing and the chroma are the output's, in place
        # or added; every other tag, and every FRAME line's, as it was.
        cases = [  # input tags, its layout, arguments, output tags
            ("W46 H36 F30000:1001 Ib A10:11 C422 XYSCSS=422 XCOLORRANGE=LIMITED X", "i422", [],
             "W46 H36 F30000:1001 Ib A10:11 C420mpeg2 XYSCSS=420MPEG2 XCOLORRANGE=LIMITED X"),
            ("H36 W46 F25:1 C422", "i422", ["--field-order", "bff"], "H36 W46 F25:1 C420mpeg2 Ib XYSCSS=420MPEG2"),
            ("W46  H36 F25:1 Ip C422", "i422", ["--field-order", "tff", "--mode", "padding"],
             "W48 H64 F25:1 It C420mpeg2 XYSCSS=420MPEG2"),
            ("W46 H36 It C420jpeg", "i420", ["--mode", "clip"], "W32 H32 It C422 XYSCSS=422"),
            ("W46 H36 It C420", "i420", ["--progressive"], "W46 H36 Ip C422 XYSCSS=422"),
            ("W46 H36 Ib", "i420", [], "W46 H36 Ib C422 XYSCSS=422"),
            ("W46 H36 Im C422p10", "i422_10", [], "W46 H36 Im C420p10 XYSCSS=420P10"),
        ]
        for tags, layout, args, want in cases:
            frame = random_clip(1, frame_bytes(layout, 46, 36))
            lines = [b"FRAME Ibpi XA=1\n", b"FRAME\n"] if "Im" not in tags else [b"FRAME Ibpi XA=1\n", b"FRAME Itii\n"]
            stream = f"YUV4MPEG2 {tags}\n".encode() + b"".join(line + frame for line in lines)
            status, stdout, stderr = self.pipe("--quiet", *args, stdin=stream)
            self.assertEqual((status, stderr), (0, b""), tags)
            self.assertTrue(stdout.startswith(f"YUV4MPEG2 {want}\n".encode()), (tags, stdout[:100]))
            self.assertEqual([stdout.count(line) for line in lines], [1, 1], tags)
        status, _, stderr = self.pipe(stdin=b"YUV4MPEG2 W46 H36 Im C422\nFRAME Ixyz\n" + bytes(46 * 36 * 2))
        self.assertEqual((status, stderr), (2, console(
            b"error - frame 1 of a mixed (Im) stream says not how it was sampled: its FRAME line needs an I tag, such "
            b"as Itip or Ibii\n")))

    def test_refusals_name_the_value_and_the_rule(self):
        f422 = bytes(46 * 36 * 2)
        stream = y4m("422", [f422])
        cases = [  # arguments, input, status, message
            (["--frm"], b"", 1, "unknown option --frm (chromafold-pipe --help lists them)"),
            (["--mode", "wide"], b"", 1, "unknown mode 'wide': keep, clip or padding"),
            (["--from=rgb"], b"", 1, "unknown format 'rgb' for --from: uyvy, yuy2, v210, i422, nv16, i422_10 or "
                                     "p210 (4:2:2), i420, nv12, i010 or p010 (4:2:0)"),
            (["--field-order", "top"], b"", 1, "unknown field order 'top': tff or bff"),
            (["--size", "720x"], b"", 1, "size '720x' is not WIDTHxHEIGHT, such as 1920x1080"),
            (["--rate", "0:1"], b"", 1, "rate '0:1' is not N:D or N, such as 30000:1001 or 25"),
            (["--to"], b"", 1, "option --to needs a value"),
            (["a", "b", "c"], b"", 1, "too many files: c (INPUT and OUTPUT at most)"),
            (["--from", "uyvy"], b"", 1, "--from needs --size, the size of the headerless frames"),
            (["--size", "46x36"], b"", 1, "--size and --rate describe headerless input, and need --from"),
            (["--field-order", "tff", "--progressive"], b"", 1,
             "--field-order and --progressive each say how the frames were sampled: give one"),
            (["--from", "uyvy", "--size", "46x36"], b"", 1,
             "YUV4MPEG2 output needs a frame rate, which headerless input does not give: add --rate, such as --rate "
             "30000:1001, or write headerless frames with --raw or --to"),
            (["--to", "nv12"], y4m("420mpeg2", []), 1,
             "--to nv12: the input is i420, and chromafold converts it into uyvy, yuy2, v210, i422, nv16, i422_10 or "
             "p210"),
            ([], b"YUV4MPEG W46 H36\n", 2, "standard input does not begin with a YUV4MPEG2 stream header (headerless "
                                          "frames need --from and --size)"),
            ([], b"YUV4MPEG2 " + b"X" * 5000, 2, "the stream header does not end within 4096 bytes"),
            ([], b"YUV4MPEG2 W46 H36 W46 It C422\n", 2, "the stream header gives its W tag twice"),
            ([], b"YUV4MPEG2 W4x H36 It\n", 2, "the stream header's tag W4x is malformed"),
            ([], b"YUV4MPEG2 W46 H36 Ix\n", 2, "the stream header's tag Ix is malformed"),
            ([], b"YUV4MPEG2 H36 It\n", 2, "the stream header gives no width (its W tag)"),
            ([], y4m("420paldv", []), 2, "chroma C420paldv is not converted: chromafold-pipe takes C422 and C422p10 "
                                         "into 4:2:0, and C420, C420jpeg, C420mpeg2 and C420p10, whose chroma lies "
                                         "between the rows of each pair, back into 4:2:2"),
            ([], y4m("444", []), 2, "chroma C444 is not converted"),
            ([], y4m("mono", []), 2, "chroma Cmono is not converted"),
            ([], y4m("411", []), 2, "chroma C411 is not converted"),
            ([], y4m("422", [], "Ip"), 2, "the stream says no field order (Ip): give it with --field-order tff or bff, "
                                          "or convert its frames as progressive ones with --progressive"),
            ([], y4m("422", [], "I?"), 2, "the stream says no field order (I?)"),
            ([], y4m("422", [], "F25:1"), 2, "the stream says no field order (no I tag)"),
            ([], y4m("422", [], width=47), 2, "a 47x36 frame: chromafold converts frames of an even width of 2 to "
                                              "32768 pixels and 1 to 32768 rows"),
            ([], y4m("420", [], height=34), 2, "a 4:2:0 frame of 34 rows: chromafold takes 4:2:0 frames of a "
                                               "multiple of 4 rows, whose fields hold whole pairs of chroma rows"),
            (["--mode", "clip"], y4m("422", [], width=14), 2,
             "mode clip leaves nothing of a 14x36 frame (clip rounds down to 16 x 32, keep to whole groups of 4 rows)"),
            ([], stream + b"FRAMES\n" + f422, 2, "frame 2 does not begin with a FRAME line"),
            ([], stream + b"FRAME " + b"I" * 5000, 2, "the FRAME line of frame 2 does not end within 4096 bytes"),
            ([], stream + b"FRAME\n" + f422[:-100], 3,
             "frame 2 is cut short: the input ends 100 bytes before its end (1 whole frames converted)"),
            ([], stream + b"FRA", 3, "the input ends within the FRAME line of frame 2 (1 whole frames converted)"),
            (["--from", "v210", "--size", "48x4", "--raw"], bytes(128 * 4 + 1), 3,
             "frame 2 is cut short: the input ends 511 bytes before its end (1 whole frames converted)"),
            (["missing.y4m"], b"", 4, "cannot open missing.y4m: No such file or directory"),
            (["-", "no/such/folder.y4m"], stream, 4, "cannot create no/such/folder.y4m: No such file or directory"),
        ]
        for args, stdin, status, text in cases:
            got_status, stdout, stderr = self.pipe(*args, stdin=stdin)
            self.assertEqual(got_status, status, args)
            self.assertTrue(stderr.startswith(console(f"error - {text}".encode())), (args, stderr))
            self.assertEqual(stderr.count(b"\n"), 1, stderr)
            # The whole frames before the one refused are written.
            self.assertEqual(stdout.count(b"FRAME\n"), int(stdin.startswith(stream) and stdin != stream), args)

    def test_the_output_is_never_the_input(self):
        stream = y4m("422", [bytes(46 * 36 * 2)])
        self.write("take.y4m", stream)
        status, _, stderr = self.pipe("take.y4m", "./take.y4m")
        self.assertEqual((status, stderr), (4, console(b"error - the output ./take.y4m is the input itself; nothing "
                                                       b"was written, so the input is intact\n")))
        self.assertEqual(self.read("take.y4m"), stream)

    @unittest.skipIf(sys.platform == "win32" or runner, "POSIX pipes, FIFOs, devices and terminals")
    def test_the_ends_of_a_stream(self):
        frame = bytes(46 * 36 * 2)
        header, one = y4m("422", []), b"FRAME\n" + frame
        out_frame = 6 + 46 * 36 * 3 // 2
        # A reader that goes away ends it at once and quietly, SIGPIPE taken
        # or ignored; the input never ends.
        for ignored in (False, True):
            with subprocess.Popen([pipe], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0,
                                  preexec_fn=(lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN)) if ignored
                                  else None) as process:
                threading.Thread(target=self.feed, args=(process.stdin, header, one), daemon=True).start()
                process.stdout.read(1000)
                process.stdout.close()
                self.assertEqual(process.wait(timeout=10), 4 if ignored else -signal.SIGPIPE)
                self.assertEqual(process.stderr.read(), b"")
        # One frame in, one frame out: nothing waits for the next frame.
        with subprocess.Popen([pipe, "--quiet"], stdin=subprocess.PIPE, stdout=subprocess.PIPE) as process:
            process.stdin.write(header + one)
            process.stdin.flush()
            got, deadline = b"", time.monotonic() + 10
            while not (b"\n" in got and len(got) == got.index(b"\n") + 1 + out_frame) and \
                    select.select([process.stdout], [], [], max(0, deadline - time.monotonic()))[0]:
                got += os.read(process.stdout.fileno(), 1 << 20)
            self.assertEqual(got.count(b"FRAME\n"), 1)
            self.assertEqual(len(got), got.index(b"\n") + 1 + out_frame)
            process.stdin.close()
            self.assertEqual(process.wait(timeout=10), 0)
        # Progress on a terminal, with the share done of a regular file; a
        # FIFO at each end; a full device.
        self.write("take.y4m", header + one * 3)
        import pty
        leader, follower = pty.openpty()
        done = subprocess.run([pipe, "take.y4m", "out.y4m"], cwd=self.cwd, stderr=follower)
        os.close(follower)
        shown = os.read(leader, 4096)
        os.close(leader)
        self.assertEqual(done.returncode, 0)
        self.assertRegex(shown, rb"^\r3 frames, [0-9.]+ frames a second, 100%, 0:00 left\x1b\[K\r?\n3 frames converted")
        os.mkfifo(self.path("in.fifo"))
        os.mkfifo(self.path("out.fifo"))
        threading.Thread(target=self.feed_fifo, args=(self.path("in.fifo"), header + one * 3), daemon=True).start()
        with subprocess.Popen(["cat", "out.fifo"], cwd=self.cwd, stdout=subprocess.PIPE) as reading:
            self.assertEqual(self.pipe("in.fifo", "out.fifo"), (0, b"", b"3 frames converted\n"))
            self.assertEqual(reading.communicate()[0], self.read("out.y4m"))
        self.assertEqual(self.pipe("take.y4m", "/dev/full")[::2],
                         (4, b"error - cannot write /dev/full: No space left on device\n"))

    @staticmethod
    def feed_fifo(path, data):
        with open(path, "wb") as fifo:
            fifo.write(data)

    @staticmethod
    def feed(stream, header, frame):
        try:
            stream.write(header)
            while True:
                stream.write(frame)
        except (BrokenPipeError, ValueError, OSError):
            pass


if __name__ == "__main__":
    unittest.main()
