#!/usr/bin/python3
"""Fails when the learners' zip gives away an answer of the worksheet.

    no_answers_test.py ZIP

Unpacks ZIP into a temporary folder and looks in every file for each
sentence of six words or more of the answers (docs/teacher/answers.md, the
text under each question's heading, Markdown stripped): in a page's text
(tags stripped, entities unescaped), in any other file's bytes as UTF-8 and
as UTF-16 (Windows' resources), the programs included. Fails naming the file
and the sentence, and when a file's name holds "answer".
It fails too when it has no sentence to look for, or when it cannot find a
sentence of the worksheet itself (docs/lesson.md) that the zip must hold:
then it would not find an answer either.
"""

import html
import pathlib
import re
import sys
import tempfile
import zipfile

SOURCE = pathlib.Path(__file__).resolve().parent.parent
HEADING = re.compile(r"^#{1,6}\s+(.*)$")


def plain(text):
    """Markdown as it reads: links and code spans give their text, marks go."""
    text = re.sub(r"<!--.*?-->|^\s*<[^>]+>\s*$", " ", text, flags=re.S | re.M)
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", text)
    text = re.sub(r"^\s*(\d+[.)]|[-*+])\s+", "", text, flags=re.M)
    return re.sub(r"[`*]|\b_|_\b", "", text)


def squeezed(text):
    return re.sub(r"\s+", " ", text).strip()


def sentences(markdown, under_headings):
    """The sentences of six words or more in a page's prose (those under
    headings that match under_headings), outside code blocks."""
    prose, keep, fenced = [], False, False
    for line in markdown.read_text(encoding="utf-8").splitlines():
        if line.lstrip().startswith("```"):
            fenced = not fenced
            prose.append("")
            continue
        heading = HEADING.match(line)
        if heading:
            keep = bool(re.match(under_headings, heading.group(1)))
            prose.append("")
        elif keep and not fenced:
            prose.append(line)
    found = []
    for paragraph in re.split(r"\n\s*\n", "\n".join(prose)):
        for sentence in re.split(r"(?<=[.?!])\s+", squeezed(plain(paragraph))):
            if len(sentence.split()) >= 6:
                found.append(sentence)
    return found


def readable(path):
    """A file's text as a reader or a program's strings would give it."""
    data = path.read_bytes()
    if path.suffix.lower() in (".html", ".htm"):
        text = re.sub(r"<script.*?</script>|<style.*?</style>", " ", data.decode("utf-8", "replace"), flags=re.S)
        return [squeezed(html.unescape(re.sub(r"<[^>]*>", "", text)))]
    return [squeezed(data.decode("utf-8", "replace")), squeezed(data.decode("utf-16-le", "replace")),
            squeezed(data[1:].decode("utf-16-le", "replace"))]


def main(zip_path):
    answers = sentences(SOURCE / "docs" / "teacher" / "answers.md", r"(Question|Puzzle)\b")
    worksheet = sentences(SOURCE / "docs" / "lesson.md", r"(Question|Puzzle)\b")
    problems = [] if answers else ["docs/teacher/answers.md gives no sentence of six words or more to look for"]
    seen_worksheet = set()
    with tempfile.TemporaryDirectory(prefix="tidewick-no-answers-") as folder:
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(folder)
        files = sorted(p for p in pathlib.Path(folder).rglob("*") if p.is_file())
        if not files:
            problems.append(f"{zip_path} holds no files")
        for path in files:
            name = path.relative_to(folder).as_posix()
            if "answer" in name.lower():
                problems.append(f"{name}: the name of a file of the answers")
            texts = readable(path)
            for sentence in answers:
                if any(sentence in text for text in texts):
                    problems.append(f"{name}: holds the answer '{sentence}'")
            seen_worksheet.update(s for s in worksheet if any(s in text for text in texts))
    if not seen_worksheet:
        problems.append(f"no sentence of docs/lesson.md found in {zip_path}: the search reads nothing")
    print(f"looked for {len(answers)} sentences of the answers in {len(files)} files; "
          f"found {len(seen_worksheet)} of the worksheet's {len(worksheet)}")
    for problem in problems:
        print("FAIL", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    sys.exit(main(sys.argv[1]))
