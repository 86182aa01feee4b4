"""The man page's DIAGNOSTICS list matches the messages the program prints.

usage: man_page_test.py SOURCE_DIR

Every "error - " format string in the program's sources must be listed in the
man page, and the man page must list no other. Conversions (%s, %d, ...) and
the man page's italic placeholders both count as a placeholder.
"""
import pathlib
import re
import sys
import unittest

ROOT = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else ".")
PLACEHOLDER = "<>"


def program_messages():
    # A literal, possibly continued by format macros and further literals:
    # "error - failed on _read(size=%" PRIu64 ") [src]\n"
    literal = r'"((?:[^"\\]|\\.)*)"'
    pattern = re.compile(r'"(error - (?:[^"\\]|\\.)*)"((?:\s*PRI\w+\s*' + literal + r')*)')
    messages = set()
    for path in sorted((ROOT / "cli").glob("*.cpp")) + sorted((ROOT / "convert").glob("*.cpp")):
        for match in pattern.finditer(path.read_text()):
            text = match.group(1) + "".join(re.findall(literal, match.group(2)))
            text = re.sub(r"%[-+ #0-9.]*[a-zA-Z]?", PLACEHOLDER, text)
            messages.add(text.removesuffix("\\n"))
    return messages


def man_page_messages():
    text = (ROOT / "docs" / "chromafold.1.in").read_text()
    section = text.split(".SH DIAGNOSTICS", 1)[1].split("\n.SH ", 1)[0]
    messages = set()
    for line in section.splitlines():
        if not line.startswith("\\fBerror"):
            continue
        line = re.sub(r"\\fI.*?\\f[BRP]", PLACEHOLDER, line)
        line = re.sub(r"\\f[BRPI]", "", line)
        messages.add(line.replace("\\-", "-").replace("\\e", "\\"))
    return messages


class ManPage(unittest.TestCase):
    def test_diagnostics_list_every_message_and_no_other(self):
        program, documented = program_messages(), man_page_messages()
        self.assertGreaterEqual(len(program), 13)
        self.assertEqual(sorted(program - documented), [], "messages missing from the man page")
        self.assertEqual(sorted(documented - program), [], "man page entries the program never prints")


if __name__ == "__main__":
    unittest.main()
