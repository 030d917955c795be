#!/usr/bin/python3
"""Prints an HTML page to PDF with Debian's Chromium, on A4 or US Letter.

    print_pdf.py PAGE.html A4|letter OUT.pdf

Chromium prints on Letter unless the page's CSS names a size, so the page
is printed from a copy in a temporary folder that names it, with a <base>
that keeps its stylesheet and pictures found beside the original. Chromium
runs headless, with a profile folder of its own, and no request can leave
the machine. The script waits for Chromium to end and for a whole PDF (one
that ends with %%EOF), and fails when either does not come.
"""

import html
import pathlib
import re
import subprocess
import sys
import tempfile

SIZES = {"a4": "A4", "letter": "letter"}
TIME_LIMIT = 120  # seconds; a page of the guide prints in a few


def printable_copy(page, size):
    """The page's HTML with a base at its own folder and the paper's size."""
    text = page.read_text(encoding="utf-8")
    base = html.escape(page.parent.resolve().as_uri() + "/")
    # The base must come before the first URL of the head; the size after
    # the stylesheet, so that it wins over any @page rule there.
    text, bases = re.subn(r"<head>", lambda m: f'{m.group(0)}\n<base href="{base}">', text, count=1)
    text, sizes = re.subn(r"</head>", lambda m: f"<style>@page {{ size: {size}; }}</style>\n{m.group(0)}",
                          text, count=1)
    if not (bases and sizes):
        raise SystemExit(f"{page} has no <head> to add the paper's size to")
    return text


def main(argv):
    if len(argv) != 3 or argv[1].lower() not in SIZES:
        raise SystemExit(__doc__)
    page, size, output = pathlib.Path(argv[0]), SIZES[argv[1].lower()], pathlib.Path(argv[2]).resolve()
    output.unlink(missing_ok=True)
    with tempfile.TemporaryDirectory(prefix="tidewick-print-") as work:
        work = pathlib.Path(work)
        copy = work / page.name
        copy.write_text(printable_copy(page, size), encoding="utf-8")
        command = [
            "/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-pdf-header-footer",
            f"--user-data-dir={work / 'profile'}", "--no-first-run", "--no-default-browser-check",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--host-resolver-rules=MAP * ~NOTFOUND", f"--print-to-pdf={output}", copy.as_uri(),
        ]
        try:
            run = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                 timeout=TIME_LIMIT)
        except subprocess.TimeoutExpired:
            raise SystemExit(f"Chromium did not print {page} within {TIME_LIMIT} s")
    whole = output.is_file() and output.read_bytes()[-1024:].rstrip().endswith(b"%%EOF")
    if run.returncode != 0 or not whole:
        output.unlink(missing_ok=True)
        raise SystemExit(f"Chromium did not print {page} to {output} (exit {run.returncode}):\n{run.stderr}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
