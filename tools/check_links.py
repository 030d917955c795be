#!/usr/bin/python3
"""Fails, naming each one, when a relative link of a page leads nowhere.

  tools/check_links.py [PAGE...]   (default: README.md docs/*.md docs/teacher/*.md)

Every link and image [text](target) of a page, and every reference
definition [name]: target, outside code blocks and code spans, is checked
unless its target names a scheme (http:, https:, mailto:, ...). Its path,
taken relative to the page, must be a file or a folder that exists; an empty
path is the page itself. Where it names a heading (page.md#heading, or
#heading alone), the target page must have a heading of that name, named as
GitHub's renderer names them: the heading's text as rendered (code spans and
links reduced to their text), lower-cased, every character but letters,
digits (ASCII or not), spaces, hyphens and underscores removed, spaces turned
into hyphens; a name already taken gets -1, -2 ... in order.
The README and the pages of docs/ become the learners' guide, so none of
them may link into docs/teacher/, where the answers are kept.
Prints each broken link as
  PAGE:LINE: TARGET: no such file
  PAGE:LINE: TARGET: leads into docs/teacher/, out of the learners' guide
  PAGE:LINE: TARGET: no heading 'NAME' in FILE
or, when every link is good, how many there are.
"""
import html
import re
import sys
from pathlib import Path
from urllib.parse import unquote

FENCE = re.compile(r"^\s*(```|~~~)")
HEADING = re.compile(r"^\s{0,3}(#{1,6})\s+(.*?)(\s+#+)?\s*$")
# A code span ends within its paragraph.
CODE_SPAN = re.compile(r"(`+)((?:(?!\n[ \t]*\n).)+?)\1", re.S)
TARGET = r"(<[^>\n]*>|[^()\s]*(?:\([^()\s]*\)[^()\s]*)*)"
TITLE = r"""(?:\s+(?:"[^"\n]*"|'[^'\n]*'|\([^)\n]*\)))?"""
INLINE_LINK = re.compile(r"\]\(\s*" + TARGET + TITLE + r"\s*\)")
REFERENCE = re.compile(r"^\s{0,3}\[[^\]\n]+\]:\s*" + TARGET + r"\S*", re.M)
SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")


def blank(match):
    """The matched text as spaces, keeping its line breaks, so lines still count."""
    return re.sub(r"[^\n]", " ", match.group(0))


def fenced(lines):
    """Each line, with whether it belongs to a fenced code block, fences included."""
    fence = None
    for line in lines:
        opened = FENCE.match(line)
        if fence or opened:
            if fence is None:
                fence = opened.group(1)
            elif opened and opened.group(1) == fence:
                fence = None
            yield line, True
        else:
            yield line, False


def without_code(text):
    """The page with fenced blocks, code spans and HTML comments blanked out."""
    text = re.sub(r"<!--.*?-->", blank, text, flags=re.S)
    lines = ["" if code else line for line, code in fenced(text.split("\n"))]
    return CODE_SPAN.sub(blank, "\n".join(lines))


def rendered(heading):
    """A heading's text as GitHub renders it: code spans and links give their text."""
    spans = []

    def keep(match):
        spans.append(match.group(2).strip())
        return "\0%d\0" % (len(spans) - 1)

    text = CODE_SPAN.sub(keep, heading)
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", text)
    text = re.sub(r"</?[A-Za-z][A-Za-z0-9]*(\s[^>]*)?/?>", "", text)
    text = re.sub(r"(\*{1,3}|~~)(.+?)\1", r"\2", text)
    text = re.sub(r"(?<![^\W_])(_{1,3})(.+?)\1(?![^\W_])", r"\2", text)
    text = html.unescape(text)
    return re.sub(r"\0(\d+)\0", lambda m: spans[int(m.group(1))], text)


def anchor(heading):
    """The name GitHub gives a heading of this text, before any -1, -2 ..."""
    return "".join(c for c in rendered(heading).lower() if c.isalnum() or c in " -_").replace(" ", "-")


def anchors(page):
    """The names GitHub gives the headings of a page, in order."""
    taken, names = {}, []
    for line, code in fenced(page.read_text(encoding="utf-8").split("\n")):
        heading = None if code else HEADING.match(line)
        if not heading:
            continue
        name = anchor(heading.group(2))
        unique = name
        while unique in taken:
            taken[name] += 1
            unique = f"{name}-{taken[name]}"
        taken[unique] = 0
        names.append(unique)
    return names


def named(page, root):
    """A page's path from the top of the repository, where it lies inside it."""
    page = page.resolve()
    return page.relative_to(root) if page.is_relative_to(root) else page


def main(pages):
    root = Path(__file__).resolve().parent.parent
    if not pages:
        pages = [root / "README.md"] + sorted((root / "docs").glob("*.md")) + sorted(
            (root / "docs" / "teacher").glob("*.md"))
    pages = [Path(p) for p in pages]
    teacher = root / "docs" / "teacher"
    broken = count = 0
    for page in pages:
        shown = named(page, root)
        for_learners = page.resolve() == root / "README.md" or page.resolve().parent == root / "docs"
        text = without_code(page.read_text(encoding="utf-8"))
        found = [m for m in INLINE_LINK.finditer(text)] + [m for m in REFERENCE.finditer(text)]
        for match in sorted(found, key=lambda m: m.start()):
            link = match.group(1).strip("<>")
            if not link or SCHEME.match(link):
                continue
            count += 1
            line = text.count("\n", 0, match.start()) + 1
            path, _, heading = link.partition("#")
            target = page.parent / unquote(path) if path else page
            if path.startswith("/"):
                target = root / unquote(path).lstrip("/")
            if for_learners and target.resolve().is_relative_to(teacher):
                print(f"{shown}:{line}: {link}: leads into docs/teacher/, out of the learners' guide")
                broken += 1
            elif not target.exists():
                print(f"{shown}:{line}: {link}: no such file")
                broken += 1
            elif heading and target.suffix == ".md" and unquote(heading) not in anchors(target):
                print(f"{shown}:{line}: {link}: no heading '{unquote(heading)}' in {named(target, root)}")
                broken += 1
    pages = f"{len(pages)} page" + ("s" if len(pages) != 1 else "")
    if broken:
        print(f"{broken} of {count} relative links in {pages} lead nowhere")
        return 1
    print(f"all {count} relative links in {pages} lead somewhere")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
