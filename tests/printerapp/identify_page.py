#!/usr/bin/python3
"""The printer's status page after an Identify-Printer, in headless Chromium:
the page must show the identify message with the user who asked, and its
screenshot is kept.

Usage: identify_page.py PRINTER-PAGE-URL MESSAGE USER SCREENSHOT.png
Exit status 0 when the notice is shown as expected; the reason on standard
error otherwise.
"""
import shutil
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By


def main(url, message, user, screenshot):
    profile = tempfile.mkdtemp(prefix="q2chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=1024,900", "--user-data-dir=" + profile):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.set_page_load_timeout(30)
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
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
