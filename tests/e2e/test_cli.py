"""The command line: options, validation, usage, output names and the batch."""
import os
import unittest

from harness import USAGE, Case, emulated, model_file, on_windows, progress, random_clip

SMALL = ["-w", "16", "-h", "32"]  # one 1024-byte source frame, one 768-byte output frame


class CommandLine(Case):
    def test_no_source_prints_usage_and_fails(self):
        self.assert_run([], status=1, stderr=USAGE)
        # The value of -w takes the last argument, leaving no source.
        self.assert_run(["-w", "640"], status=1, stderr=USAGE)

    def test_rejected_values_are_all_reported_then_usage(self):
        self.assert_run(["-w", "7", "-h", "-1", "-m", "2", "a.yuv"], status=1,
                        stderr=b"error - invalid width=7\nerror - invalid height=-1\n"
                               b"error - invalide mode=2\n" + USAGE)
        self.assert_run(["-w721", "a.yuv"], status=1, stderr=b"error - invalid width=721\n" + USAGE)
        self.assert_run(["-w", "32770", "a.yuv"], status=1,
                        stderr=b"error - invalid width=32770\n" + USAGE)
        # 2^31 wraps to the most negative 32-bit value before validation.
        self.assert_run(["-h", "2147483648", "a.yuv"], status=1,
                        stderr=b"error - invalid height=-2147483648\n" + USAGE)
        self.assertFalse(os.listdir(self.cwd))

    def test_unknown_options_stop_at_once(self):
        self.assert_run(["-W", "640", "-w", "7", "a.yuv"], status=1,
                        stderr=b"error - unknown option '-W' is specified\n" + USAGE)
        self.assert_run(["-", "a.yuv"], status=1,
                        stderr=b"error - unknown option '-\0' is specified\n" + USAGE)

    def test_options_end_at_the_first_source(self):
        clip = random_clip(1, 1024)
        self.write("a.yuv", clip)
        self.write("-w", clip)
        self.assert_run(SMALL + ["a.yuv", "-w", "640"], stdout=progress(1) * 2,
                        stderr=b"error - failed on _open(640) [src]\n")
        self.assertEqual(self.read("a.420"), model_file(clip, 16, 32, 0))
        self.assertEqual(self.read("-w.420"), model_file(clip, 16, 32, 0))

    def test_a_lone_argument_is_a_source(self):
        self.assert_run(["-x"], stderr=b"error - failed on _open(-x) [src]\n")
        self.write("-x", random_clip(2, 699840))
        self.assert_run(["-x"], stdout=progress(1))
        self.assertEqual(os.path.getsize(self.path("-x.420")), 518400)

    def test_attached_separate_and_wrapped_values(self):
        clip = random_clip(3, 720 * 32 * 2)
        self.write("a.yuv", clip)
        expected = model_file(clip, 720, 32, 0)
        for args in (["-w720", "-h32"], ["-w", "720", "-h", "32"], ["-w", "4294968016", "-h", " +32x"]):
            os.remove(self.path("a.420")) if os.path.exists(self.path("a.420")) else None
            self.assert_run(args + ["a.yuv"], stdout=progress(1))
            self.assertEqual(self.read("a.420"), expected, args)

    def test_a_value_may_look_like_an_option(self):
        # -w takes "-h" as its value, 0, and "100" is the first source.
        self.write("a.yuv", b"x" * 64)
        self.assert_run(["-w", "-h", "100", "a.yuv"],
                        stderr=b"error - failed on _open(100) [src]\n"
                               b"error - frame size is zero (width=0 height=486) for a.yuv [src]\n")
        self.assertFalse(os.path.exists(self.path("a.420")))

    def test_batch_goes_on_after_failures_and_later_outputs_win(self):
        first, second = random_clip(4, 2048), random_clip(5, 1024)
        os.mkdir(self.path("x"))
        os.mkdir(self.path("y"))
        self.write("x/a.yuv", first)
        self.write("y/a.yuv", second)
        self.assert_run(SMALL + ["x/a.yuv", "missing.yuv", "y/a.yuv"], stdout=progress(2) + progress(1),
                        stderr=b"error - failed on _open(missing.yuv) [src]\n")
        # "/" is not a separator: each output lies beside its source.
        self.assertEqual(self.read("x/a.420"), model_file(first, 16, 32, 0))
        self.assertEqual(self.read("y/a.420"), model_file(second, 16, 32, 0))
        if on_windows():
            return
        self.write("D:\\x\\b.yuv", first)
        self.write("E:\\y\\b.yuv", second)
        self.assert_run(SMALL + ["D:\\x\\b.yuv", "E:\\y\\b.yuv"], stdout=progress(2) + progress(1))
        self.assertEqual(self.read("b.420"), model_file(second, 16, 32, 0))


class OutputNames(Case):
    def check_names(self, table):
        clip = random_clip(6, 1024)
        expected = model_file(clip, 16, 32, 0)
        for source, output in table:
            source_path = os.path.join(self.cwd, source)
            os.makedirs(os.path.dirname(source_path), exist_ok=True)
            with open(source_path, "wb") as f:
                f.write(clip)
            self.assert_run(SMALL + [source], stdout=progress(1))
            self.assertEqual(self.read(output), expected, source)
            os.remove(self.path(output))

    def test_names_are_the_last_element_with_extension_replaced(self):
        table = [("take1.yuv", "take1.420"), ("take1", "take1.420"), ("a.b.yuv", "a.b.420"),
                 ("take1.", "take1.420"), (".yuv", ".420"), ("clips/take1.yuv", "clips/take1.420"),
                 ("clips.old/take1", "clips.420"), ("../take1", "..420")]
        if on_windows():
            table += [("clips\\take1.yuv", "take1.420")]
        else:
            table += [("D:\\clips\\take1.yuv", "take1.420"), ("C:take1.yuv", "C:take1.420"),
                      ("clips\\", ".420")]
        self.check_names(table)

    def test_absolute_paths_keep_their_directory(self):
        os.mkdir(os.path.join(self.root, "data"))
        self.check_names([(os.path.join(self.root, "data", "take1.yuv"),
                           os.path.join(self.root, "data", "take1.420"))])

    def test_empty_argument_fails_to_open(self):
        self.assert_run(SMALL + [""], stderr=b"error - failed on _open() [src]\n")

    def test_utf8_names(self):
        env = dict(os.environ, LC_ALL="C.UTF-8")
        self.write("été.prise.yuv", random_clip(7, 1024))
        self.assert_run(SMALL + ["été.prise.yuv"], stdout=progress(1), env=env)
        self.assertTrue(os.path.exists(self.path("été.prise.420")))

    @unittest.skipIf(on_windows(), "Windows takes names in its ANSI code page: see the test below")
    def test_double_byte_trail_byte_is_not_a_separator(self):
        # In GBK the character 95 5C ends in the code of a backslash.
        if emulated():
            self.skipTest("an emulated target's C library has no GBK converter here")
        env = self.locale_env("zh_CN", "GBK")
        cwd = os.fsencode(self.cwd)
        for source, output in ((b"\x95\x5cx.yuv", b"\x95\x5cx.420"),
                               (b"sub\\\x95\x5c.yuv", b"\x95\x5c.420")):
            with open(os.path.join(cwd, source), "wb") as f:
                f.write(random_clip(8, 1024))
            self.assert_run(SMALL + [source], stdout=progress(1), env=env)
            self.assertTrue(os.path.exists(os.path.join(cwd, output)), output)

    @unittest.skipUnless(on_windows(), "ANSI code pages are a Windows matter")
    def test_double_byte_names_in_the_ansi_code_page(self):
        # A Japanese locale gives Windows programs code page 932, where 表 is
        # 95 5C and ソ is 83 5C: each ends in the code of a backslash.
        env = self.locale_env("ja_JP", "UTF-8")
        os.mkdir(self.path("sub"))
        for source, created, output in (("表.yuv", "表.yuv", "表.420"),
                                         ("sub\\ソ.yuv", "sub/ソ.yuv", "ソ.420")):
            self.write(created, random_clip(9, 1024))
            self.assert_run(SMALL + [source], stdout=progress(1), env=env)
            self.assertTrue(os.path.exists(self.path(output)), output)
