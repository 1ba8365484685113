#!/usr/bin/python3
"""The printer's Calibrate page in a real browser: headless Chromium driven
through chromedriver. Enters the test disc's four readings, saves them and
keeps a screenshot of the page with its answer; then presses the printer
page's "Print Test Page".

Usage: calibrate_page.py BASE-URL PRINTER SCREENSHOT.png LEFT RIGHT TOP BOTTOM EXPECTED
Exit status 0 when the page answered with EXPECTED (its banner) and the test
page was sent; the reason on standard error otherwise.
"""
import os
import sys

from selenium.webdriver.common.by import By

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import browser  # noqa: E402


def main(base, printer, screenshot, left, right, top, bottom, expected):
    with browser.chromium() as driver:
        # Every page's navigation bar links to the Calibrate page.
        driver.get(f"{base}/{printer}")
        links = [a for a in driver.find_elements(By.TAG_NAME, "a") if a.text.strip() == "Calibrate"]
        if not links:
            print("the page has no Calibrate link:\n" + driver.page_source[:2000], file=sys.stderr)
            return 1
        browser.click(driver, links[0])
        form = driver.find_element(By.CSS_SELECTOR, "form")
        if not form.find_elements(By.NAME, "session"):
            print("the form carries no session field", file=sys.stderr)
            return 1
        choice = form.find_element(By.CSS_SELECTOR, f"select[name=printer] option[value='{printer}'], "
                                   "select[name=printer] option")
        browser.click(driver, choice)
        for name, value in (("left", left), ("right", right), ("top", top), ("bottom", bottom)):
            field = form.find_element(By.NAME, name)
            field.clear()
            field.send_keys(value)
        browser.click(driver, form.find_element(By.ID, "save-offsets"))
        if not browser.shows(driver, expected):
            print("the page did not answer '" + expected + "':\n" + driver.page_source[:3000], file=sys.stderr)
            return 1
        driver.save_screenshot(screenshot)

        driver.get(f"{base}/{printer}")
        buttons = [b for b in driver.find_elements(By.CSS_SELECTOR, "input[type=submit], button")
                   if (b.get_attribute("value") or b.text or "").strip() == "Print Test Page"]
        if not buttons:
            print("the printer's page has no Print Test Page button", file=sys.stderr)
            return 1
        browser.click(driver, buttons[0])
        if not browser.shows(driver, "Test page printed."):
            print("the test page was not sent:\n" + driver.page_source[:2000], file=sys.stderr)
            return 1
        return 0


if __name__ == "__main__":
    browser.run(main, __doc__)
