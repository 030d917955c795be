#!/usr/bin/python3
"""Saves every page of the guide in a Windows zip as a reader sees it, to look at.

    tools/browser/guide_screenshots.py ZIP FOLDER

Each page is opened in headless Chromium, 1280 pixels wide, and saved into
FOLDER a window's height at a time, as PAGE-00.png, PAGE-01.png, ...
"""

import pathlib
import sys
import tempfile
import zipfile

from chromium import save_screenshots, start_browser


def main(zip_path, out):
    out.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="tidewick-screenshots-") as top:
        top = pathlib.Path(top)
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(top / "zip")
        pages = sorted((top / "zip").rglob("*.html"))
        browser = start_browser(top / "profile")
        try:
            for page in pages:
                browser.get(page.as_uri())
                save_screenshots(browser, out / page.relative_to(top / "zip").as_posix().replace("/", "_"))
        finally:
            browser.quit()
    print(f"{len(pages)} pages saved in {out}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.split("\n\n")[1].strip())
    main(pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]))
