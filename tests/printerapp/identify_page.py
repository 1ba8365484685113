#!/usr/bin/python3
"""The printer's status page after an Identify-Printer, in headless Chromium:
the page must show the identify message with the user who asked, and its
screenshot is kept.

Usage: identify_page.py PRINTER-PAGE-URL MESSAGE USER SCREENSHOT.png
Exit status 0 when the notice is shown as expected; the reason on standard
error otherwise.
"""
import os
import sys

from selenium.webdriver.common.by import By

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from browser import chromium, run  # noqa: E402


def main(url, message, user, screenshot):
    with chromium() as driver:
        driver.get(url)
        notices = driver.find_elements(By.ID, "identify-notice")
        if not notices:
            print("no identify notice on the page:\n" + driver.page_source[:3000], file=sys.stderr)
            return 1
        driver.execute_script("arguments[0].scrollIntoView({block: 'center'});", notices[0])
        driver.save_screenshot(screenshot)
        text = notices[0].text
        if message not in text or f"asked by {user}" not in text:
            print(f"the notice reads '{text}'", file=sys.stderr)
            return 1
        print(text)
        return 0


if __name__ == "__main__":
    run(main, __doc__)
