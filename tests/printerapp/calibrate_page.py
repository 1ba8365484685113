#!/usr/bin/python3
"""The printer's Calibrate page in a real browser: headless Chromium driven
through chromedriver. Enters the test disc's four readings, saves them and
keeps a screenshot of the page with its answer; then presses the printer
page's "Print Test Page".

Usage: calibrate_page.py BASE-URL PRINTER SCREENSHOT.png LEFT RIGHT TOP BOTTOM EXPECTED
Exit status 0 when the page answered with EXPECTED (its banner) and the test
page was sent; the reason on standard error otherwise.
"""
import shutil
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait


def shows(driver, text):
    """Waits up to 20 s for the page that a click loads to hold text."""
    try:
        WebDriverWait(driver, 20).until(lambda d: text in d.page_source)
        return True
    except Exception:
        return False


def main(base, printer, screenshot, left, right, top, bottom, expected):
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
        # Every page's navigation bar links to the Calibrate page.
        driver.get(f"{base}/{printer}")
        links = [a for a in driver.find_elements(By.TAG_NAME, "a") if a.text.strip() == "Calibrate"]
        if not links:
            print("the page has no Calibrate link:\n" + driver.page_source[:2000], file=sys.stderr)
            return 1
        links[0].click()
        form = driver.find_element(By.CSS_SELECTOR, "form")
        if not form.find_elements(By.NAME, "session"):
            print("the form carries no session field", file=sys.stderr)
            return 1
        choice = form.find_element(By.CSS_SELECTOR, f"select[name=printer] option[value='{printer}'], "
                                   "select[name=printer] option")
        choice.click()
        for name, value in (("left", left), ("right", right), ("top", top), ("bottom", bottom)):
            field = form.find_element(By.NAME, name)
            field.clear()
            field.send_keys(value)
        form.find_element(By.ID, "save-offsets").click()
        if not shows(driver, expected):
            print("the page did not answer '" + expected + "':\n" + driver.page_source[:3000], file=sys.stderr)
            return 1
        driver.save_screenshot(screenshot)

        driver.get(f"{base}/{printer}")
        buttons = [b for b in driver.find_elements(By.CSS_SELECTOR, "input[type=submit], button")
                   if (b.get_attribute("value") or b.text or "").strip() == "Print Test Page"]
        if not buttons:
            print("the printer's page has no Print Test Page button", file=sys.stderr)
            return 1
        buttons[0].click()
        if not shows(driver, "Test page printed."):
            print("the test page was not sent:\n" + driver.page_source[:2000], file=sys.stderr)
            return 1
        return 0
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 9:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
