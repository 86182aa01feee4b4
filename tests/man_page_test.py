# The man page's DIAGNOSTICS list matches the messages the program prints:
# every "error - " format string in the program's sources, and no other.
# Conversions (%s, %d, ...) and the man page's italic placeholders both count as
# a placeholder.
#
# usage: man_page_test.py SOURCE_DIR
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
# A literal, possibly continued by format macros and further literals:
# "error - failed on _read(size=%" PRIu64 ") [src]\n"
literal = r'"((?:[^"\\]|\\.)*)"'
pattern = re.compile(r'"(error - (?:[^"\\]|\\.)*)"((?:\s*PRI\w+\s*' + literal + r')*)')
program = set()
for path in sorted(root.glob("cli/*.cpp")):
    for match in pattern.finditer(path.read_text()):
        text = match.group(1) + "".join(re.findall(literal, match.group(2)))
        program.add(re.sub(r"%[-+ #0-9.]*[a-zA-Z]?", "<>", text).removesuffix("\\n"))

section = (root / "docs" / "chromafold.1.in").read_text().split(".SH DIAGNOSTICS", 1)[1].split("\n.SH ", 1)[0]
documented = set()
for line in section.splitlines():
    if line.startswith("\\fBerror"):
        line = re.sub(r"\\f[BRPI]", "", re.sub(r"\\fI.*?\\f[BRP]", "<>", line))
        documented.add(line.replace("\\-", "-").replace("\\e", "\\"))

assert len(program) >= 13, sorted(program)
assert not program - documented, f"messages missing from the man page: {sorted(program - documented)}"
assert not documented - program, f"man page entries the program never prints: {sorted(documented - program)}"
print(len(program), "messages, each in the man page")
