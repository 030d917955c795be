"""Debian's Chromium, headless, driven by Debian's Selenium and chromedriver:
the browser the guide's test and the screenshot tool share. No browser or
driver is downloaded, and no request leaves the machine."""

import json

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service

WIDTH = 1280  # the width the guide is written to read well at


def start_browser(profile):
    """A new headless Chromium with its own profile folder, logging every
    request a page makes."""
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for argument in (
        "--headless=new",
        "--no-sandbox",
        "--disable-gpu",
        f"--window-size={WIDTH},900",
        f"--user-data-dir={profile}",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-default-apps",
        "--disable-sync",
        "--no-first-run",
        "--no-default-browser-check",
        # A request to the network is logged before any name is looked up;
        # no name resolves, so none leaves the machine.
        "--host-resolver-rules=MAP * ~NOTFOUND",
    ):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def requests_since_last(browser):
    """The URLs the browser has asked for since the last call."""
    urls = []
    for entry in browser.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message.get("method") == "Network.requestWillBeSent":
            urls.append(message["params"]["request"]["url"])
        elif message.get("method") == "Network.webSocketCreated":
            urls.append(message["params"]["url"])
    return urls


def save_screenshots(browser, stem):
    """Saves the open page as seen in the window, one window's height at a
    time: stem-00.png, stem-01.png, ..."""
    height = browser.execute_script("return document.documentElement.scrollHeight")
    shown = browser.execute_script("return window.innerHeight")
    for number, top in enumerate(range(0, height, shown)):
        browser.execute_script(f"window.scrollTo(0, {top})")
        browser.save_screenshot(f"{stem}-{number:02}.png")
