#!/usr/bin/python3
"""Opens every page of the guide in the Windows zip in a real browser.

    guide_test.py ZIP

Unpacks ZIP into a new folder whose path has spaces and letters beyond ASCII,
as a class's Windows would, opens guide.html and every other page under it in
Debian's Chromium, headless, driven by Debian's Selenium and chromedriver,
and fails, naming the page and the item, when
- a picture does not load (not complete, or with no width);
- a link leads to a page or file the guide does not have, to a folder, or to
  a heading (fragment) that the page it leads to has no element id for;
- a page asks for anything but a file: URL (Chrome's own network log, which
  sees every request the page makes, whether it succeeds or not).
First it checks pages of its own that break each rule once, and fails if a
check misses its fault: a check that cannot fail proves nothing.
tools/browser/ holds the browser driver it shares with the screenshot tool.
"""

import pathlib
import sys
import tempfile
import urllib.parse
import urllib.request
import zipfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tools" / "browser"))
from chromium import requests_since_last, start_browser  # noqa: E402


def file_path(url):
    return pathlib.Path(urllib.request.url2pathname(urllib.parse.urlsplit(url).path))


PAGE_SCRIPT = """
return {
  images: Array.from(document.images).map(i => [i.getAttribute('src'), i.complete, i.naturalWidth]),
  links: Array.from(document.links).map(a => [a.getAttribute('href'), a.href]),
  ids: Array.from(document.querySelectorAll('[id]')).map(e => e.id),
};
"""


def check(browser, folder):
    """Opens every page under folder; returns the problems found and counts."""
    pages = sorted(folder.rglob("*.html"))
    problems = [] if pages else [f"{folder} holds no page"]
    ids = {}
    links = []  # (page, href as written, absolute URL)
    counts = {"pages": len(pages), "pictures": 0, "links": 0, "to anchors": 0, "requests": 0}
    # A new browser opens its own new-tab page, with requests of its own.
    browser.get("about:blank")
    requests_since_last(browser)
    for page in pages:
        name = page.relative_to(folder).as_posix()
        url = page.as_uri()
        browser.get(url)  # returns once the page has loaded, its pictures included
        found = browser.execute_script(PAGE_SCRIPT)
        for src, complete, width in found["images"]:
            counts["pictures"] += 1
            if not complete or width <= 0:
                problems.append(f"{name}: the picture {src} does not load")
        ids[page] = set(found["ids"])
        links += [(name, href, target) for href, target in found["links"]]
        requested = requests_since_last(browser)
        counts["requests"] += len(requested)
        if url not in requested:
            problems.append(f"{name}: the network log did not see the page itself load, so it cannot vouch for it")
        for request in requested:
            if not request.startswith("file:"):
                problems.append(f"{name}: asks for {request}, which is not a file: URL")
    # Requests made after the last page had loaded.
    for request in requests_since_last(browser):
        if not request.startswith("file:"):
            problems.append(f"after the last page: {request} was asked for, which is not a file: URL")

    for name, href, target in links:
        scheme = urllib.parse.urlsplit(target).scheme
        if scheme in ("http", "https", "mailto"):
            continue  # a way out to the web, followed only when clicked
        if scheme != "file":
            problems.append(f"{name}: the link {href} is neither a file nor the web")
            continue
        counts["links"] += 1
        path = file_path(target)
        fragment = urllib.parse.unquote(urllib.parse.urlsplit(target).fragment)
        if path.is_dir():
            problems.append(f"{name}: the link {href} leads to a folder, not a page")
        elif not path.is_file():
            missing = "page" if path.suffix == ".html" else "file"
            problems.append(f"{name}: the link {href} leads to a missing {missing}")
        elif fragment:
            counts["to anchors"] += 1
            if path not in ids:
                problems.append(f"{name}: the link {href} leads to a heading in a file that is not a page of the guide")
            elif fragment not in ids[path]:
                problems.append(f"{name}: the link {href} leads to a heading that {path.name} does not have")
    return problems, counts


# Pages that break each rule once, with one link that breaks none.
CONTROL_PAGES = {
    "a.html": """<!DOCTYPE html><html><head><meta charset="utf-8"><title>a</title>
<link rel="stylesheet" href="http://guide-test.invalid/style.css"></head><body>
<img src="missing.png">
<a href="nowhere.html">a missing page</a>
<a href="b.html#no-such-heading">a missing heading</a>
<a href="b.html#there">a heading that is there</a>
</body></html>""",
    "b.html": """<!DOCTYPE html><html><head><meta charset="utf-8"><title>b</title></head><body>
<h1 id="there">There</h1></body></html>""",
}
CONTROL_FAULTS = {
    "a picture that does not load": "the picture missing.png does not load",
    "a link to a missing page": "the link nowhere.html leads to a missing page",
    "a link to a missing heading": "the link b.html#no-such-heading leads to a heading that b.html does not have",
    "a request to the network": "asks for http://guide-test.invalid/style.css",
}


def checks_can_fail(browser, folder):
    folder.mkdir()
    for name, text in CONTROL_PAGES.items():
        (folder / name).write_text(text, encoding="utf-8")
    problems, _ = check(browser, folder)
    missed = [fault for fault, problem in CONTROL_FAULTS.items() if not any(problem in p for p in problems)]
    unexpected = [p for p in problems if not any(problem in p for problem in CONTROL_FAULTS.values())]
    for fault in missed:
        print(f"The check missed {fault} in its own broken pages: it cannot be trusted")
    for problem in unexpected:
        print(f"The check found, in its own pages, what is not wrong there: {problem}")
    return not missed and not unexpected


def main():
    if len(sys.argv) != 2:
        print(__doc__.split("\n\n")[1].strip())
        return 2
    zip_path = pathlib.Path(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="tidewick-guide-") as top:
        top = pathlib.Path(top)
        folder = top / "Unterricht für Třída 3b"
        folder.mkdir()
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(folder)
        if not (folder / "guide.html").is_file():
            print(f"{zip_path} has no guide.html")
            return 1
        browser = start_browser(top / "profile")
        try:
            if not checks_can_fail(browser, top / "control"):
                return 1
            problems, counts = check(browser, folder)
        finally:
            browser.quit()
    print(f"Opened {counts['pages']} pages of the guide from {folder}:")
    print(f"  {counts['pictures']} pictures, {counts['links']} links to files "
          f"({counts['to anchors']} of them to a heading or another anchor), {counts['requests']} requests")
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} problem{'s' if len(problems) > 1 else ''}")
        return 1
    print("Every picture loads, every link leads to a page and heading the guide has, every request is a file: URL")
    return 0


if __name__ == "__main__":
    sys.exit(main())
