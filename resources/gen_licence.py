#!/usr/bin/env python3
"""Turns the licence agreement's text files into the RTF documents that the
licence window streams into its rich-edit control.

    gen_licence.py SOURCE_DIR OUTPUT_DIR

SOURCE_DIR holds one UTF-8 file per language (en.txt, fr.txt, ... in the
program's language order); each becomes OUTPUT_DIR/<language>.rtf. The
files are plain text with three marks: a line starting "# " is the title,
"## " a heading, "- " a list item; other lines are joined into paragraphs,
which blank lines separate.

The RTF is pure ASCII: every character past 0x7F is written as \\uN? (N the
signed 16-bit UTF-16 unit, two of them for a character past U+FFFF), and
\\, { and } are escaped, so the document reads the same whatever code page
the control assumes. The language's code page, language id and font are
still declared, for the characters that a font fallback would pick.
"""
import sys
from pathlib import Path

# Language order = the program's language index; code page, LCID, charset, font.
# The fonts are the ones the program's windows use for each language, so the
# document's Latin letters and digits come from a font the system has.
LANGUAGES = [
    ("en", 1252, 1033, 0, "Segoe UI"),
    ("fr", 1252, 1036, 0, "Segoe UI"),
    ("de", 1252, 1031, 0, "Segoe UI"),
    ("it", 1252, 1040, 0, "Segoe UI"),
    ("es", 1252, 3082, 0, "Segoe UI"),
    ("pt", 1252, 2070, 0, "Segoe UI"),
    ("zh", 936, 2052, 134, "SimSun"),
    ("ja", 932, 1041, 128, "Meiryo UI"),
]
BODY_SIZE, HEADING_SIZE, TITLE_SIZE = 18, 20, 24  # half-points
MAX_SOURCE_BYTES = 64 * 1024


def escape(text):
    out = []
    for ch in text:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif 0x20 <= code < 0x7F:
            out.append(ch)
        elif code < 0x20:
            raise ValueError("control character U+%04X in the text" % code)
        else:
            units = ch.encode("utf-16-le")
            for i in range(0, len(units), 2):
                unit = int.from_bytes(units[i:i + 2], "little")
                out.append("\\u%d?" % (unit - 0x10000 if unit >= 0x8000 else unit))
    return "".join(out)


def blocks(text):
    """(kind, text) per paragraph: kind is title, heading, item or body."""
    result, lines = [], []

    def flush():
        if lines:
            result.append(("body", " ".join(lines)))
            lines.clear()

    for raw in text.splitlines():
        line = raw.strip()
        if not line:
            flush()
        elif line.startswith("## "):
            flush()
            result.append(("heading", line[3:].strip()))
        elif line.startswith("# "):
            flush()
            result.append(("title", line[2:].strip()))
        elif line.startswith("- "):
            flush()
            result.append(("item", "\u2022 " + line[2:].strip()))
        else:
            lines.append(line)
    flush()
    return result


def rtf(text, codepage, lcid, charset, font):
    parts = [
        "{\\rtf1\\ansi\\ansicpg%d\\deff0\\deflang%d\\uc1" % (codepage, lcid),
        "{\\fonttbl{\\f0\\fnil\\fcharset%d %s;}}" % (charset, font),
        "\\viewkind4\\pard\\sa120\\lang%d\\f0\\fs%d" % (lcid, BODY_SIZE),
    ]
    for kind, body in blocks(text):
        if kind == "title":
            parts.append("{\\b\\fs%d %s}\\par" % (TITLE_SIZE, escape(body)))
        elif kind == "heading":
            parts.append("{\\b\\fs%d %s}\\par" % (HEADING_SIZE, escape(body)))
        else:
            parts.append("%s\\par" % escape(body))
    parts.append("}")
    return "\r\n".join(parts) + "\r\n"


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    source, output = Path(argv[1]), Path(argv[2])
    output.mkdir(parents=True, exist_ok=True)
    for name, codepage, lcid, charset, font in LANGUAGES:
        path = source / (name + ".txt")
        if not path.is_file() or path.stat().st_size > MAX_SOURCE_BYTES:
            sys.exit("%s: missing or larger than %d bytes" % (path, MAX_SOURCE_BYTES))
        text = path.read_text(encoding="utf-8").lstrip("\ufeff")
        if not any(kind == "title" for kind, _ in blocks(text)):
            sys.exit("%s: no title line (\"# ...\")" % path)
        try:
            document = rtf(text, codepage, lcid, charset, font)
        except ValueError as e:
            sys.exit("%s: %s" % (path, e))
        (output / (name + ".rtf")).write_bytes(document.encode("ascii"))


if __name__ == "__main__":
    main(sys.argv)
