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

    def test_values_attached_separate_wrapped_or_looking_like_options(self):
        clip = random_clip(3, 720 * 32 * 2)
        self.write("a.yuv", clip)
        for args in (["-w720", "-h32"], ["-w", "720", "-h", "32"], ["-w", "4294968016", "-h", " +32x"]):
            self.assert_run(args + ["a.yuv"], stdout=progress(1))
            self.assertEqual(self.read("a.420"), self.model(clip, 720, 32), args)
            os.remove(self.path("a.420"))
        # -w takes "-h" as its value, 0, and "100" is the first source.
        self.assert_run(["-w", "-h", "100", "a.yuv"],
                        stderr=b"error - failed on _open(100) [src]\n"
                               b"error - frame size is zero (width=0 height=486) for a.yuv [src]\n")
        self.assertFalse(os.path.exists(self.path("a.420")))

    def test_options_end_at_the_first_source_and_a_lone_argument_is_a_source(self):
        clip = random_clip(1, 1024)
        for name in ("a.yuv", "-w", "-x"):
            self.write(name, clip)
        self.assert_run(SMALL + ["a.yuv", "-w", "640", "-x"], stdout=progress(1) * 3,
                        stderr=b"error - failed on _open(640) [src]\n")
        for output in ("a.420", "-w.420", "-x.420"):
            self.assertEqual(self.read(output), self.model(clip, 16, 32), output)
        self.write("-x", random_clip(2, 699840))
        self.assert_run(["-x"], stdout=progress(1))
        self.assertEqual(os.path.getsize(self.path("-x.420")), 518400)

    def test_batch_goes_on_after_failures_and_later_outputs_win(self):
        first, second = random_clip(4, 2048), random_clip(5, 1024)
        for folder, clip in (("x", first), ("y", second)):
            os.mkdir(self.path(folder))
            self.write(folder + "/a.yuv", clip)
        self.assert_run(SMALL + ["x/a.yuv", "missing.yuv", "y/a.yuv"], stdout=progress(2) + progress(1),
                        stderr=b"error - failed on _open(missing.yuv) [src]\n")
        self.assertEqual(self.read("x/a.420"), self.model(first, 16, 32))
        self.assertEqual(self.read("y/a.420"), self.model(second, 16, 32))
        if not on_windows():
            self.write("D:\\x\\b.yuv", first)
            self.write("E:\\y\\b.yuv", second)
            self.assert_run(SMALL + ["D:\\x\\b.yuv", "E:\\y\\b.yuv"], stdout=progress(2) + progress(1))
            self.assertEqual(self.read("b.420"), self.model(second, 16, 32))


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
