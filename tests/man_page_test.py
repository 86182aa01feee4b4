# Each manual page's DIAGNOSTICS list matches the messages its program prints:
# every "error - " format string in the program's sources, and no other.
# Conversions (%s, %d, ...) and the manual's italic placeholders both count as
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
pattern = re.compile(r'"(error - (?:[^"\\]|\\.)*)"((?:\s*(?:PRI\w+\s*)?' + literal + r')*)')
conversion = r"%[-+ #0-9.*]*(?:hh|h|ll|l|z|j|t)?[a-zA-Z]"
for sources, page, least in (("cli", "chromafold.1.in", 13), ("pipe", "chromafold-pipe.1.in", 30)):
    program = set()
    for path in sorted(root.glob(f"{sources}/*.cpp")):
        for match in pattern.finditer(path.read_text()):
            rest = "".join(("d" if macro else "") + text
                           for macro, text in re.findall(r"(PRI\w+)?\s*" + literal, match.group(2)))
            program.add(re.sub(conversion, "<>", match.group(1) + rest).removesuffix("\\n"))
    section = (root / "docs" / page).read_text().split(".SH DIAGNOSTICS", 1)[1].split("\n.SH ", 1)[0]
    documented = set()
    for line in section.splitlines():
        if line.startswith("\\fBerror"):
            line = re.sub(r"\\f[BRPI]", "", re.sub(r"\\fI.*?\\f[BRP]", "<>", line))
            documented.add(line.replace("\\-", "-").replace("\\e", "\\"))
    assert len(program) >= least, sorted(program)
    assert not program - documented, f"messages missing from {page}: {sorted(program - documented)}"
    assert not documented - program, f"{page} entries the program never prints: {sorted(documented - program)}"
    print(len(program), "messages, each in", page)
