#!/usr/bin/env python3
"""Sends a scan of the test disc from the Calibrate page's upload form in
headless Chromium, and keeps a screenshot of the answer.

Usage: scan_upload_page.py BASE-URL PRINTER SCREENSHOT SCAN PRINTED-X PRINTED-Y EXPECTED

Exit status 0 when the page answered with EXPECTED (its banner); the reason
on standard error otherwise.
"""
import os
import sys

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import browser  # noqa: E402


def main(base, printer, screenshot, scan, printed_x, printed_y, expected):
    with browser.chromium(height=1400) as driver:
        driver.get(f"{base}/calibrate?printer={printer}")
        upload = driver.find_element(By.ID, "scan")
        form = upload.find_element(By.XPATH, "./ancestor::form")
        if form.get_attribute("enctype") != "multipart/form-data":
            print("the upload form is not multipart", file=sys.stderr)
            return 1
        upload.send_keys(os.path.abspath(scan))
        for name, value in (("scan-printed-x", printed_x), ("scan-printed-y", printed_y)):
            field = form.find_element(By.ID, name)
            field.clear()
            field.send_keys(value)
        browser.click(driver, form.find_element(By.ID, "measure-scan"))
        try:
            WebDriverWait(driver, 60).until(lambda d: expected in d.page_source)
        except Exception:
            print("the page did not answer '" + expected + "':\n" + driver.page_source[:3000], file=sys.stderr)
            return 1
        driver.save_screenshot(screenshot)
        return 0


if __name__ == "__main__":
    browser.run(main, __doc__)
