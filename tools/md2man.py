#!/usr/bin/env python3
"""Makes the man page sailings.1 from docs/command-line.md: the same text as
the documentation, in the man macros. Knows the Markdown that page uses:
headings, paragraphs, indented examples, bullet and numbered lists, tables,
`code`, **bold**, *italic* and [links](...).
usage: md2man.py <command-line.md> <version> <sailings.1>"""
import re
import sys


def escape(text):
    """Roff text: backslashes escaped, inline Markdown as fonts."""
    text = text.replace("\\", "\\e")
    text = re.sub(r"!\[[^\]]*\]\([^)]*\)", "", text)                # pictures
    text = re.sub(r"\[([^\]]+)\]\([^)]*\)", r"\1", text)            # links: their text
    text = re.sub(r"`([^`]+)`", lambda m: "\\fB" + m.group(1).replace("-", "\\-") + "\\fR", text)
    text = re.sub(r"\*\*([^*]+)\*\*", r"\\fB\1\\fR", text)
    text = re.sub(r"(?<![\w*])\*([^*\s][^*]*)\*(?![\w*])", r"\\fI\1\\fR", text)
    return text


def line(text):
    """A line of roff: one that begins with a control character is guarded,
    and every character beyond ASCII is written as its escape, so that the
    page reads the same whatever the formatter takes its input to be."""
    text = "".join(c if ord(c) < 128 else "\\[u%04X]" % ord(c) for c in text)
    return "\\&" + text if text[:1] in (".", "'") else text


def convert(markdown, version):
    out = [f'.TH SAILINGS 1 "" "sailings {version}" "User Commands"',
           ".SH NAME",
           "sailings \\- great elliptic and rhumb line sailings on the WGS\\-84 ellipsoid",
           ".SH SYNOPSIS",
           ".nf",
           "\\fBsailings\\fR",
           "\\fBsailings route\\fR [\\fIoptions\\fR] [\\fIFROM TO\\fR]",
           "\\fBsailings table\\fR [\\fIoptions\\fR] \\fIFROM TO\\fR (\\-\\-longitudes \\fIN\\fR | \\-\\-points \\fIN\\fR | \\-\\-leg \\fINM\\fR)",
           "\\fBsailings voyage\\fR [\\fIoptions\\fR] (\\fIPLACE PLACE\\fR ... | \\-\\-route \\fIFILE\\fR)",
           "\\fBsailings check\\fR [\\fIoptions\\fR] \\fIFILE\\fR",
           ".fi",
           ".SH DESCRIPTION"]
    lines = markdown.split("\n")
    paragraph = []

    def flush():
        if paragraph:
            out.append(".PP")
            out.extend(line(escape(p)) for p in paragraph)
            paragraph.clear()

    i = 0
    while i < len(lines):
        text = lines[i]
        if text.startswith("# "):          # the page's own title
            i += 1
            continue
        if text.startswith("## ") or text.startswith("### "):
            flush()
            title = escape(text.lstrip("#").strip())
            out.append((".SH " + title.upper()) if text.startswith("## ") else (".SS " + title))
            i += 1
            continue
        if text.startswith("    "):        # an example, as it is
            flush()
            out += [".PP", ".RS 4", ".nf"]
            while i < len(lines) and (lines[i].startswith("    ") or
                                      (not lines[i].strip() and i + 1 < len(lines) and lines[i + 1].startswith("    "))):
                out.append(line(lines[i][4:].replace("\\", "\\e")))
                i += 1
            out += [".fi", ".RE"]
            continue
        bullet = re.match(r"^(- |\d+\. )(.*)", text)
        if bullet:
            flush()
            item = [bullet.group(2)]
            i += 1
            while i < len(lines) and lines[i].startswith("  ") and not lines[i].startswith("    $"):
                item.append(lines[i].strip())
                i += 1
            mark = "\\(bu" if bullet.group(1) == "- " else bullet.group(1).strip()
            out.append(f".IP {mark} 4")
            out.extend(line(escape(t)) for t in item)
            continue
        if text.startswith("|"):
            flush()
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                cells = [c.strip() for c in lines[i].strip().strip("|").split("|")]
                if not all(re.fullmatch(r":?-+:?", c) for c in cells):
                    rows.append(cells)
                i += 1
            for cells in rows[1:]:  # the header row names the columns the items show
                out.append(".TP 4")
                out.append(line(escape(cells[0])))
                out.append(line(escape(" \u2014 ".join(cells[1:]))))
            continue
        if not text.strip():
            flush()
        else:
            paragraph.append(text)
        i += 1
    flush()
    out += [".SH SEE ALSO",
            "The file formats, the library, the method and the dialogue: the documents in",
            "\\fIdocs/\\fR beside the sources; GeographicLib's \\fBGeodSolve\\fR(1) and \\fBRhumbSolve\\fR(1)."]
    return "\n".join(out) + "\n"


if __name__ == "__main__":
    source, version, target = sys.argv[1:4]
    with open(source, encoding="utf-8") as f:
        page = convert(f.read(), version)
    with open(target, "w", encoding="utf-8") as f:
        f.write(page)
