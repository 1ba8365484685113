#!/usr/bin/python3
"""Loads a disc on the printer's Media web page in headless Chromium: picks
the size in the tray's list and saves, as a user does after putting an
80 mm disc in the tray's adapter; keeps a screenshot of the saved page.

Usage: media_page.py BASE-URL PRINTER MEDIA-SIZE-NAME SCREENSHOT.png
Exit status 0 when the form was accepted; the reason on standard error
otherwise.
"""
import os
import sys

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from browser import chromium, run  # noqa: E402


def main(base, printer, size, screenshot):
    with chromium() as driver:
        driver.get(f"{base}/{printer}/media")
        form = driver.find_element(By.ID, "form")
        Select(form.find_element(By.NAME, "ready0-size")).select_by_value(size)
        form.find_element(By.CSS_SELECTOR, "input[type=submit]").click()
        driver.save_screenshot(screenshot)
        if "Changes saved." not in driver.page_source:
            print("the form was not accepted:\n" + driver.page_source[:2000], file=sys.stderr)
            return 1
        return 0


if __name__ == "__main__":
    run(main, __doc__)
