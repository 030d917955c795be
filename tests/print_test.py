#!/usr/bin/python3
"""Reads the printed worksheet and answers back with poppler's tools.

    print_test.py FOLDER VERSION

FOLDER holds Tidewick-VERSION-{worksheet,answers}-{A4,Letter}.pdf, printed
by the build from docs/lesson.md and docs/teacher/answers.md. For each PDF it
fails, naming the PDF and the question, when
- pdfinfo gives another paper size (A4 595 x 842 pt, Letter 612 x 792 pt);
- a question does not start and end on one page: the page whose text
  (pdftotext) holds its heading must hold its last line of prose too. A
  question is a <div class="question"> of the worksheet, and so is a part
  to read (<div class="part">); in the answers, a section under a heading
  that starts with Question or Puzzle;
- its pictures are not all on that page, or the PDF holds another number of
  pictures than the page has (pdfimages -list, one row per picture drawn).
Text that cannot be read (no pdftotext, no text, a line found twice) fails
too: a check that reads nothing proves nothing.
"""

import pathlib
import re
import subprocess
import sys
import unicodedata

SOURCE = pathlib.Path(__file__).resolve().parent.parent
PAPERS = {"A4": (595, 842), "Letter": (612, 792)}
DOCUMENTS = {"worksheet": SOURCE / "docs" / "lesson.md", "answers": SOURCE / "docs" / "teacher" / "answers.md"}
HEADING = re.compile(r"^#{1,6}\s+(.*)$")
IMAGE = re.compile(r"!\[[^\]]*\]\([^)]*\)")


def plain(line):
    """A line of Markdown as it reads on paper."""
    line = re.sub(r"^\s*(\d+[.)]|[-*+])\s+", "", line)
    line = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", line)
    return re.sub(r"[`*]|</?[a-z][^>]*>", "", line).strip()


def squeezed(text):
    """Text compared without its layout: line breaks and spaces fall where
    the page's width puts them."""
    return re.sub(r"\s+", "", unicodedata.normalize("NFKC", text))


def prose_lines(lines):
    """The lines outside code fences and HTML comments."""
    fenced = False
    for line in lines:
        if line.lstrip().startswith("```"):
            fenced = not fenced
        elif not fenced and not line.lstrip().startswith("<!--"):
            yield line


def questions(markdown, in_divs):
    """(heading, last line of text, pictures) of each question."""
    blocks, block = [], None
    for line in markdown.read_text(encoding="utf-8").splitlines():
        heading = HEADING.match(line)
        if in_divs and line.strip() in ('<div class="question">', '<div class="part">'):
            block = []
            blocks.append(block)
        elif in_divs and line.strip() == "</div>":
            block = None
        elif not in_divs and heading:
            block = [] if re.match(r"(Question|Puzzle)\b", heading.group(1)) else None
            if block is not None:
                blocks.append(block)
        if block is not None:
            block.append(line)
    found = []
    for block in blocks:
        lines = list(prose_lines(block))
        headings = [HEADING.match(line).group(1) for line in lines if HEADING.match(line)]
        # A table's cells may be laid out in any order; its pictures are
        # counted below.
        text = [plain(line) for line in lines
                if not HEADING.match(line) and not IMAGE.fullmatch(line.strip()) and not line.startswith("|")]
        text = [line for line in text if line]
        if not headings or not text:
            raise SystemExit(f"{markdown}: a question without a heading or text:\n" + "\n".join(block))
        found.append((plain(headings[0]), text[-1], sum(len(IMAGE.findall(line)) for line in lines)))
    return found


def pages_of(pdf):
    try:
        text = subprocess.run(["pdftotext", str(pdf), "-"], capture_output=True, text=True,
                              check=True).stdout
    except (OSError, subprocess.CalledProcessError) as error:
        raise SystemExit(f"cannot read the text of {pdf}: {error}")
    pages = [squeezed(page) for page in text.split("\f")]
    while pages and not pages[-1]:
        pages.pop()
    if not "".join(pages):
        raise SystemExit(f"{pdf} has no text that pdftotext can read")
    return pages


def pictures_per_page(pdf):
    listing = subprocess.run(["pdfimages", "-list", str(pdf)], capture_output=True, text=True, check=True).stdout
    counts = {}
    for row in listing.splitlines()[2:]:
        page, _, kind = row.split()[:3]
        if kind == "image":  # not a picture's alpha (smask) or stencil
            counts[int(page)] = counts.get(int(page), 0) + 1
    return counts


def check(pdf, paper, markdown, in_divs):
    problems = []
    info = subprocess.run(["pdfinfo", str(pdf)], capture_output=True, text=True, check=True).stdout
    size = re.search(r"^Page size:\s+([\d.]+) x ([\d.]+) pts", info, re.M)
    if not size or (round(float(size[1])), round(float(size[2]))) != PAPERS[paper]:
        problems.append(f"{pdf.name}: paper {size[0] if size else 'unknown'}, not {paper} {PAPERS[paper]}")
    pages = pages_of(pdf)
    # A page without text holds the end of something torn off the page
    # before it: an answer's box, a picture.
    problems += [f"{pdf.name}: page {n} has no text" for n, page in enumerate(pages, 1) if not page]
    expected = {}
    asked = questions(markdown, in_divs)
    if not asked:
        problems.append(f"{markdown} has no questions to look for")
    for heading, last, pictures in asked:
        where = [number for number, page in enumerate(pages, 1) if squeezed(heading) in page]
        if len(where) != 1:
            problems.append(f"{pdf.name}: '{heading}' is on {len(where)} pages, not one")
            continue
        if "".join(pages).count(squeezed(last)) > 1:
            problems.append(f"{pdf.name}: '{heading}' ends with '{last}', which the text holds twice")
        elif squeezed(last) not in pages[where[0] - 1]:
            problems.append(f"{pdf.name}: '{heading}' starts on page {where[0]}, but its last line "
                            f"'{last}' is not on it")
        expected[where[0]] = expected.get(where[0], 0) + pictures
    drawn = pictures_per_page(pdf)
    for page, count in sorted(expected.items()):
        if drawn.get(page, 0) < count:
            problems.append(f"{pdf.name}: page {page} shows {drawn.get(page, 0)} pictures, "
                            f"but its questions have {count}")
    written = len(IMAGE.findall("\n".join(prose_lines(markdown.read_text(encoding="utf-8").splitlines()))))
    if sum(drawn.values()) != written:
        problems.append(f"{pdf.name}: {sum(drawn.values())} pictures drawn, {markdown.name} has {written}")
    print(f"{pdf.name}: {len(pages)} pages, {len(asked)} questions, {sum(drawn.values())} pictures")
    return problems


def main(folder, version):
    problems = []
    for name, markdown in DOCUMENTS.items():
        for paper in PAPERS:
            pdf = pathlib.Path(folder) / f"Tidewick-{version}-{name}-{paper}.pdf"
            if not pdf.is_file():
                problems.append(f"no {pdf}")
                continue
            problems += check(pdf, paper, markdown, in_divs=name == "worksheet")
    for problem in problems:
        print("FAIL", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    sys.exit(main(*sys.argv[1:]))
