#!/usr/bin/env python3
"""Checks the language string tables against the English one.

usage: check_tables.py DIR

Every qmbi*.txt in DIR is checked against DIR/qmbiEnglish.txt, the source
the other tables are translated from. For each table, each kind of check
below passes or fails once:
  encoding     the bytes decode strictly in the language's code page, are not
               UTF-8 text by mistake, and every combining tone mark (Vietnamese
               code page) follows a letter
  format       no byte order mark, lines end in "\\n" alone, no trailing blanks
  layout       the comment lines and empty lines stand where English has them
  entries      every other line reads GLID;Text, GLID a decimal number, with
               no second ";" (the translator drops what follows it)
  identifiers  the same GLIDs in the same order as English
  directives   each text has the same % directives, in the same order
  texts        no text is blank, starts or ends with a blank, or is longer
               than the 255 bytes the translator keeps
  accelerators each text has as many "&" accelerators as its English text
  distinct     texts that differ in English differ in the table too (case
               ignored, as the translator looks texts up), so translating a
               form from this language finds the right identifier
Each failure prints one line "FILE:LINE: what is wrong"; the last line is
"e2e tables: N passed, M failed", and the exit status is 1 when M > 0.
"""
import difflib
import os
import re
import sys
import unicodedata

ENGLISH = "qmbiEnglish.txt"
MAX_TEXT_BYTES = 255
BOM = b"\xef\xbb\xbf"

# The ANSI code page each table is stored in; Japanese must read as both
# Shift-JIS and its Windows superset.
CODE_PAGES = {
    "qmbiChineseSimplified.txt": ["gb2312"],
    "qmbiChineseTraditional.txt": ["big5"],
    "qmbiCzech.txt": ["cp1250"],
    "qmbiDanish.txt": ["cp1252"],
    "qmbiDutch.txt": ["cp1252"],
    "qmbiEnglish.txt": ["cp1252"],
    "qmbiFrench.txt": ["cp1252"],
    "qmbiGerman.txt": ["cp1252"],
    "qmbiGreek.txt": ["cp1253"],
    "qmbiHebrew.txt": ["cp1255"],
    "qmbiItalian.txt": ["cp1252"],
    "qmbiJapanese.txt": ["shift_jis", "cp932"],
    "qmbiKorean.txt": ["cp949"],
    "qmbiNorwegianBokmal.txt": ["cp1252"],
    "qmbiNorwegianNynorsk.txt": ["cp1252"],
    "qmbiPolish.txt": ["cp1250"],
    "qmbiPortugese.txt": ["cp1252"],
    "qmbiRussian.txt": ["cp1251"],
    "qmbiSpanish.txt": ["cp1252"],
    "qmbiVietnamese.txt": ["cp1258"],
}

KINDS = ["encoding", "format", "layout", "entries", "identifiers",
         "directives", "texts", "accelerators", "distinct"]

# A format directive as the translator's formatting reads it:
# %[index:][-][width][.precision]type, or "%%".
DIRECTIVE = re.compile(r"%(?:%|(?:\d+:)?-?(?:\d+|\*)?(?:\.(?:\d+|\*))?[A-Za-z]|)")
ENTRY = re.compile(r"^([+-]?\d+);(.*)$")
# What the translator trims from both ends of a line: blanks and control
# characters.
TRIMMED = "".join(chr(c) for c in range(33))


class Table:
    """One table's lines, decoded, with its entries in line order."""

    def __init__(self, raw, codec):
        # A byte order mark is the format check's to report, not every line's.
        if raw.startswith(BOM):
            raw = raw[len(BOM):]
        self.text = raw.decode(codec, errors="replace")
        body = self.text[:-1] if self.text.endswith("\n") else self.text
        self.lines = body.split("\n")
        # (1-based line number, GLID, text) of every line that is neither a
        # comment nor empty; GLID is None where the line is not GLID;Text.
        self.entries = []
        for number, line in enumerate(self.lines, 1):
            trimmed = line.strip(TRIMMED)
            if trimmed == "" or trimmed.startswith("*"):
                continue
            match = ENTRY.match(trimmed)
            if match:
                self.entries.append((number, int(match.group(1)), match.group(2)))
            else:
                self.entries.append((number, None, trimmed))

    def skeleton(self):
        """The comment lines and empty lines as they stand; None for an entry."""
        marks = []
        for line in self.lines:
            trimmed = line.strip(TRIMMED)
            marks.append(trimmed if trimmed == "" or trimmed.startswith("*") else None)
        return marks

    def by_glid(self):
        texts = {}
        for number, glid, text in self.entries:
            if glid is not None and glid not in texts:
                texts[glid] = (number, text.split(";")[0])
        return texts


def directives(text):
    return DIRECTIVE.findall(text)


def accelerators(text):
    """The number of "&" that mark a letter ("&&" stands for "&" itself)."""
    return text.replace("&&", "").count("&")


def check_encoding(table, raw, codecs):
    problems = []
    for codec in codecs:
        try:
            raw.decode(codec)
        except UnicodeDecodeError as error:
            line = raw[:error.start].count(b"\n") + 1
            problems.append((line, "byte %02X does not decode in %s" % (raw[error.start], codec)))
    if not problems and any(b >= 0x80 for b in raw):
        try:
            raw.decode("utf-8")
            problems.append((1, "the file is UTF-8, not %s" % codecs[0]))
        except UnicodeDecodeError:
            pass
    if "cp1258" in codecs:
        # The Vietnamese code page writes a tone as a mark after its letter.
        for number, line in enumerate(table.lines, 1):
            for i, char in enumerate(line):
                if unicodedata.combining(char) and (i == 0 or not line[i - 1].isalpha()):
                    problems.append((number, "the tone mark U+%04X follows no letter" % ord(char)))
    return problems


def check_format(table, raw):
    problems = []
    if raw.startswith(BOM):
        problems.append((1, "the file starts with a byte order mark"))
    if not raw.endswith(b"\n"):
        problems.append((len(table.lines), "the last line does not end in a line break"))
    for number, line in enumerate(table.lines, 1):
        if "\r" in line:
            problems.append((number, "the line ends in a carriage return"))
        elif line != line.rstrip():
            problems.append((number, "the line ends in blanks"))
    return problems


def differences(mine, english, describe):
    """(line index in mine, problem) where the sequence mine differs from
    English's; describe(item) names one item."""
    problems = []
    matcher = difflib.SequenceMatcher(None, mine, english, autojunk=False)
    for tag, i1, i2, j1, j2 in matcher.get_opcodes():
        has = ", ".join(describe(x) for x in mine[i1:i2])
        wants = ", ".join(describe(x) for x in english[j1:j2])
        if tag == "replace":
            problems.append((i1, "%s where English has %s" % (has, wants)))
        elif tag == "delete":
            problems.append((i1, "%s that English does not have" % has))
        elif tag == "insert":
            problems.append((i1, "missing %s that English has here" % wants))
    return problems


def check_layout(table, english):
    def describe(mark):
        if mark is None:
            return "an entry"
        return "the comment %r" % mark if mark else "an empty line"
    return [(i + 1, problem) for i, problem in
            differences(table.skeleton(), english.skeleton(), describe)]


def check_entries(table):
    problems = []
    for number, glid, text in table.entries:
        if glid is None:
            problems.append((number, "not of the form GLID;Text: %s" % text))
        elif ";" in text:
            problems.append((number, "GLID %d: the text holds a second \";\"" % glid))
    return problems


def check_identifiers(table, english):
    entries = [(number, glid) for number, glid, _ in table.entries if glid is not None]
    mine = [glid for _, glid in entries]
    theirs = [glid for _, glid, _ in english.entries]
    problems = []
    for i, problem in differences(mine, theirs, lambda glid: "GLID %s" % glid):
        problems.append((entries[i][0] if i < len(entries) else len(table.lines), problem))
    return problems


def compare_entries(table, english, compare):
    """compare(glid, text, english text) -> problem or None, for every GLID
    both tables have."""
    problems = []
    theirs = english.by_glid()
    for glid, (number, text) in sorted(table.by_glid().items(), key=lambda e: e[1][0]):
        if glid in theirs:
            problem = compare(glid, text, theirs[glid][1])
            if problem:
                problems.append((number, "GLID %d: %s" % (glid, problem)))
    return problems


def check_directives(table, english):
    def compare(glid, text, source):
        if directives(text) != directives(source):
            return "directives %s where English has %s" % (directives(text) or "none",
                                                           directives(source) or "none")
        return None
    return compare_entries(table, english, compare)


def check_texts(table, codec):
    problems = []
    for glid, (number, text) in table.by_glid().items():
        if text.strip() == "":
            problems.append((number, "GLID %d: the text is blank" % glid))
        elif text != text.strip():
            problems.append((number, "GLID %d: the text starts or ends with a blank" % glid))
        size = len(text.encode(codec, errors="replace"))
        if size > MAX_TEXT_BYTES:
            problems.append((number, "GLID %d: the text has %d bytes, more than %d"
                             % (glid, size, MAX_TEXT_BYTES)))
    return sorted(problems)


def check_accelerators(table, english):
    def compare(glid, text, source):
        if accelerators(text) != accelerators(source):
            return "%d accelerators (&) where English has %d" % (accelerators(text),
                                                                accelerators(source))
        marked = text.replace("&&", "")
        if any(i + 1 == len(marked) or marked[i + 1].isspace()
               for i, char in enumerate(marked) if char == "&"):
            return "an accelerator & marks no letter"
        return None
    return compare_entries(table, english, compare)


def check_distinct(table, english):
    theirs = english.by_glid()
    seen = {}
    problems = []
    for glid, (number, text) in sorted(table.by_glid().items(), key=lambda e: e[1][0]):
        if glid not in theirs:
            continue
        key = text.casefold()
        if key in seen:
            other = seen[key]
            if theirs[other][1].casefold() != theirs[glid][1].casefold():
                problems.append((number, "GLID %d has the text of GLID %d (%s), though their English differs"
                                 % (glid, other, text)))
        else:
            seen[key] = glid
    return problems


def check(path, english):
    """The problems of one table, by kind."""
    name = os.path.basename(path)
    with open(path, "rb") as f:
        raw = f.read()
    codecs = CODE_PAGES.get(name)
    if codecs is None:
        return {"encoding": [(1, "no known code page for this table")]}
    table = Table(raw, codecs[0])
    return {
        "encoding": check_encoding(table, raw, codecs),
        "format": check_format(table, raw),
        "layout": check_layout(table, english),
        "entries": check_entries(table),
        "identifiers": check_identifiers(table, english),
        "directives": check_directives(table, english),
        "texts": check_texts(table, codecs[0]),
        "accelerators": check_accelerators(table, english),
        "distinct": check_distinct(table, english),
    }


def main(argv):
    if len(argv) != 2:
        print("usage: check_tables.py DIR", file=sys.stderr)
        return 2
    directory = argv[1]
    english_path = os.path.join(directory, ENGLISH)
    passed = failed = 0
    try:
        with open(english_path, "rb") as f:
            english = Table(f.read(), CODE_PAGES[ENGLISH][0])
        names = sorted(n for n in os.listdir(directory)
                       if n.startswith("qmbi") and n.endswith(".txt"))
    except OSError as error:
        print("%s: cannot read: %s" % (english_path, error.strerror))
        names = []
        failed += 1
    for name in names:
        results = check(os.path.join(directory, name), english)
        for kind in KINDS:
            if kind not in results:
                continue
            problems = results[kind]
            for line, message in problems:
                print("%s:%d: %s: %s" % (name, line, kind, message))
            if problems:
                failed += 1
            else:
                passed += 1
    print("e2e tables: %d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
