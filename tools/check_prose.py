#!/usr/bin/python3
"""Counts the prose sentences of Markdown pages and fails when they run long.

  tools/check_prose.py [--over N] [PAGE...]   (default: README.md docs/*.md docs/teacher/*.md)

For each page it prints the number of prose sentences, the average words per
sentence and the longest sentence (its words and how it begins), and exits 1
when a page is over its limit: README.md at most 20 words a sentence on
average and none over 40, every other page at most 22 and none over 50.
--over N also lists, with its line, every sentence longer than N words.

The method, so that its figures can be quoted and checked:
- Prose is paragraphs and list items. Headings, tables (lines starting with
  |), fenced code blocks, HTML comments and lines that are only an image are
  left out. A list item is a paragraph of its own, whatever follows it.
- Markdown is stripped first: a link or an image [text](target) counts as its
  text, a code span as the words inside it, emphasis marks and inline HTML
  tags as nothing.
- A sentence ends at . ? or ! followed by a space or the end of the paragraph
  (closing brackets, quotes and emphasis may stand between), and at the end of
  its paragraph in any case. It never ends inside a code span, at a decimal
  point (1.1, 0.2°: no space follows it), nor at "e.g." or "i.e.".
- Words are whitespace-separated tokens, so "1000 × 1000" is three.
"""
import re
import sys
from pathlib import Path

LIMITS = {"README.md": (20, 40)}  # page name: (average, longest), in words
DEFAULT_LIMITS = (22, 50)

FENCE = re.compile(r"^\s*(```|~~~)")
HEADING = re.compile(r"^\s{0,3}#")
TABLE = re.compile(r"^\s*\|")
IMAGE_ONLY = re.compile(r"^\s*(!\[[^\]]*\]\([^)]*\)\s*)+$")
RULE = re.compile(r"^\s*([-*_=])(\s*\1){2,}\s*$")  # a thematic break or a setext underline
LIST_ITEM = re.compile(r"^\s*([-*+]|\d+[.)])\s+")
QUOTE = re.compile(r"^\s*>\s?")
CODE_SPAN = re.compile(r"(`+)(.+?)\1", re.S)
LINK = re.compile(r"!?\[([^\]]*)\]\([^)]*\)|!?\[([^\]]*)\]\[[^\]]*\]")
TAG = re.compile(r"</?[A-Za-z][A-Za-z0-9]*(\s[^>]*)?/?>")
CLOSERS = ")]}\"'’”*_"
# Stand-ins for . ? ! inside code spans, so that no sentence ends there.
MASK = {".": "\u2024", "?": "\u2048", "!": "\u2049"}
UNMASK = {v: k for k, v in MASK.items()}


def paragraphs(text):
    """Yields (first line number, text) for each paragraph and list item."""
    text = re.sub(r"<!--.*?-->", lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)
    lines, start, fence, ordered = [], 0, None, None
    for number, line in enumerate(text.splitlines(), 1):
        opened = FENCE.match(line)
        if fence:
            if opened and opened.group(1) == fence:
                fence = None
            continue
        if opened:
            fence = opened.group(1)
        prose = not (opened or HEADING.match(line) or TABLE.match(line) or
                     IMAGE_ONLY.match(line) or RULE.match(line) or not line.strip())
        item = LIST_ITEM.match(line) if prose else None
        if item and item.group(1)[0].isdigit() and item.group(1)[:-1] != "1":
            # As in CommonMark, an ordered item numbered other than 1 cannot
            # interrupt a paragraph, only follow an item of its own list:
            # elsewhere "0) ..." continues the paragraph it stands in.
            if lines and (ordered is None or len(line) - len(line.lstrip()) > ordered):
                item = None
        if lines and (not prose or item):
            yield start, "\n".join(lines)
            lines = []
        if prose:
            if not lines:
                start = number
                ordered = len(line) - len(line.lstrip()) if item and item.group(1)[0].isdigit() else None
            lines.append(LIST_ITEM.sub("", QUOTE.sub("", line), count=1) if item else line)
    if lines:
        yield start, "\n".join(lines)


def plain(paragraph):
    """The paragraph's words as a reader reads them, code spans masked."""
    spans = []

    def keep(match):
        spans.append(match.group(2).strip())
        return "\0%d\0" % (len(spans) - 1)

    text = CODE_SPAN.sub(keep, paragraph)
    text = LINK.sub(lambda m: m.group(1) if m.group(1) is not None else m.group(2), text)
    text = TAG.sub("", text).replace("*", "")
    return re.sub(r"\0(\d+)\0",
                  lambda m: "".join(MASK.get(c, c) for c in spans[int(m.group(1))]), text)


def ends_sentence(word):
    word = word.rstrip(CLOSERS)
    return word[-1:] in (".", "?", "!") and word.lstrip("(").lower() not in ("e.g.", "i.e.")


def sentences(text):
    """Yields (line number, words) for each sentence of the page's prose."""
    for start, paragraph in paragraphs(text):
        stripped, words = plain(paragraph), []
        for match in re.finditer(r"\S+", stripped):
            word = match.group(0)
            if not words:
                line = start + stripped.count("\n", 0, match.start())
            words.append("".join(UNMASK.get(c, c) for c in word))
            if ends_sentence(word):
                yield line, words
                words = []
        if words:
            yield line, words


def main(args):
    over = None
    if args[:1] == ["--over"]:
        over, args = int(args[1]), args[2:]
    root = Path(__file__).resolve().parent.parent
    pages = args or [str(p.relative_to(Path.cwd()) if p.is_relative_to(Path.cwd()) else p)
                     for p in [root / "README.md"] + sorted((root / "docs").glob("*.md"))
                     + sorted((root / "docs" / "teacher").glob("*.md"))]
    status = 0
    for page in pages:
        found = list(sentences(Path(page).read_text(encoding="utf-8")))
        average_limit, longest_limit = LIMITS.get(Path(page).name, DEFAULT_LIMITS)
        if not found:
            print(f"{page}: no prose")
            continue
        average = sum(len(w) for _, w in found) / len(found)
        line, longest = max(found, key=lambda s: len(s[1]))
        faults = []
        if average > average_limit:
            faults.append(f"average over {average_limit}")
        if len(longest) > longest_limit:
            faults.append(f"longest over {longest_limit}")
        print(f"{page}: {len(found)} sentences, {average:.1f} words on average, "
              f"longest {len(longest)} words (line {line}: {' '.join(longest[:8])} …)" +
              (": " + ", ".join(faults) if faults else ""))
        if faults:
            status = 1
        if over is not None:
            for line, words in found:
                if len(words) > over:
                    print(f"  {page}:{line}: {len(words)} words: {' '.join(words)}")
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
