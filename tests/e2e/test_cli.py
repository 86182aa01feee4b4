# The command line: options, validation, usage, output names and the batch.
import os
import unittest

import harness
from harness import USAGE, Case, on_windows, progress, random_clip

SMALL = ["-w", "16", "-h", "32"]  # one 1024-byte source frame, one 768-byte output frame


class CommandLine(Case):
    def test_rejected_lines_print_their_errors_then_usage(self):
        cases = [([], b""),
                 # The value of -w takes the last argument, leaving no source.
                 (["-w", "640"], b""),
                 # Every rejected value is reported; 2^31 wraps to the most negative 32-bit value.
                 (["-w", "7", "-h", "-1", "-m", "2", "a.yuv"],
                  b"error - invalid width=7\nerror - invalid height=-1\nerror - invalide mode=2\n"),
                 (["-w721", "a.yuv"], b"error - invalid width=721\n"),
                 (["-w", "32770", "a.yuv"], b"error - invalid width=32770\n"),
                 (["-h", "2147483648", "a.yuv"], b"error - invalid height=-2147483648\n"),
                 # An unknown option stops at once.
                 (["-W", "640", "-w", "7", "a.yuv"], b"error - unknown option '-W' is specified\n"),
                 (["-", "a.yuv"], b"error - unknown option '-\0' is specified\n")]
        for args, errors in cases:
            self.assert_run(args, status=1, stderr=errors + USAGE)
        self.assertFalse(os.listdir(self.cwd))

    def test_values_and_sources_in_every_shape(self):
        wide, small, other = random_clip(3, 720 * 32 * 2), random_clip(1, 1024), random_clip(2, 699840)
        sources = {"a.yuv": wide, "b.yuv": small, "-w": small, "-x": small, "-h": other}
        wrote_a = (progress(1), b"", {"a.420": (wide, 720, 32)})
        cases = [(["-w720", "-h32", "a.yuv"], *wrote_a), (["-w", "720", "-h", "32", "a.yuv"], *wrote_a),
                 # Values wrap in 32 bits, and are read like atoi's.
                 (["-w", "4294968016", "-h", " +32x", "a.yuv"], *wrote_a),
                 # -w takes "-h" as its value, 0, and "100" is the first source.
                 (["-w", "-h", "100", "a.yuv"], b"", b"error - failed on _open(100) [src]\n"
                  b"error - frame size is zero (width=0 height=486) for a.yuv [src]\n", {}),
                 # The first source ends the options; a missing one does not stop the batch.
                 (SMALL + ["b.yuv", "-w", "640", "-x"], progress(1) * 3, b"error - failed on _open(640) [src]\n",
                  {"b.420": (small, 16, 32), "-w.420": (small, 16, 32), "-x.420": (small, 16, 32)}),
                 # A lone argument is a source, of the default size: 518,400 bytes out.
                 (["-h"], progress(1), b"", {"-h.420": (other, 720, 486)})]
        if not on_windows():
            # Both write c.420 here, and the later one wins.
            sources.update({"D:\\x\\c.yuv": small, "E:\\y\\c.yuv": other[:1024]})
            cases.append((SMALL + ["D:\\x\\c.yuv", "E:\\y\\c.yuv"], progress(1) * 2, b"",
                          {"c.420": (other[:1024], 16, 32)}))
        for name, data in sources.items():
            self.write(name, data)
        for args, stdout, stderr, outputs in cases:
            self.assert_run(args, stdout=stdout, stderr=stderr)
            for name, (data, width, height) in outputs.items():
                self.assertEqual(self.read(name), self.model(data, width, height), (args, name))
                os.remove(self.path(name))
            self.assertEqual(sorted(os.listdir(self.cwd)), sorted(sources), args)


class OutputNames(Case):
    def check_names(self, table, env=None):
        # Converts each source of `table`, an argument with the file it names
        # when that differs, and finds its output under the name given.
        for source, *created, output in table:
            source_path = os.path.join(os.fsencode(self.cwd), os.fsencode(created[0] if created else source))
            os.makedirs(os.path.dirname(source_path), exist_ok=True)
            with open(source_path, "wb") as f:
                f.write(random_clip(6, 1024))
            self.assert_run(SMALL + [source], stdout=progress(1), env=env)
            output_path = os.path.join(os.fsencode(self.cwd), os.fsencode(output))
            self.assertEqual(os.path.getsize(output_path), 768, source)
            os.remove(output_path)

    def test_names_are_the_last_element_with_extension_replaced(self):
        os.mkdir(os.path.join(self.root, "data"))
        table = [("take1.yuv", "take1.420"), ("take1", "take1.420"), ("a.b.yuv", "a.b.420"),
                 ("take1.", "take1.420"), (".yuv", ".420"), ("clips.old/take1", "clips.420"),
                 ("../take1", "..420"), (os.path.join(self.root, "data", "take1.yuv"),
                                         os.path.join(self.root, "data", "take1.420"))]
        if on_windows():
            table += [("clips\\take1.yuv", "clips/take1.yuv", "take1.420")]
        else:
            table += [("clips/take1.yuv", "clips/take1.420"), ("D:\\clips\\take1.yuv", "take1.420"),
                      ("C:take1.yuv", "C:take1.420"), ("clips\\", ".420")]
        self.check_names(table)
        # A sequence cut short, an invalid byte and a control character count as one byte each.
        cut = [] if on_windows() else [(b"take\xc3", b"take\xc3.420"), (b"a\xff\x01.yuv", b"a\xff\x01.420")]
        self.check_names([("été.prise.yuv", "été.prise.420")] + cut, env=dict(os.environ, LC_ALL="C.UTF-8"))
        self.assert_run(SMALL + [""], stderr=b"error - failed on _open() [src]\n")

    @unittest.skipIf(on_windows(), "Windows takes names in its ANSI code page: see the test below")
    def test_double_byte_trail_byte_is_not_a_separator(self):
        # In GBK the character 95 5C ends in the code of a backslash.
        if harness.runner:
            self.skipTest("an emulated target's C library has no GBK converter here")
        self.check_names([(b"\x95\x5cx.yuv", b"\x95\x5cx.420"), (b"sub\\\x95\x5c.yuv", b"\x95\x5c.420")],
                         env=self.locale_env("zh_CN", "GBK"))

    @unittest.skipUnless(on_windows(), "ANSI code pages are a Windows matter")
    def test_double_byte_names_in_the_ansi_code_page(self):
        # A Japanese locale gives Windows programs code page 932, where 表 is
        # 95 5C and ソ is 83 5C: each ends in the code of a backslash.
        self.check_names([("表.yuv", "表.420"), ("sub\\ソ.yuv", "sub/ソ.yuv", "ソ.420")],
                         env=self.locale_env("ja_JP", "UTF-8"))
