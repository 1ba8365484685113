#!/usr/bin/python3
"""The printer application's web page in a real browser: headless Chromium
driven through chromedriver. Loads the printer's page and keeps a
screenshot, then sets the printer's default image control through the
Printing Defaults form (which carries PAPPL's session field) and saves it.

Usage: web_page.py BASE-URL PRINTER SCREENSHOT.png IMAGE-CONTROL
Exit status 0 when the form was accepted; the reason on standard error
otherwise.
"""
import os
import sys

from selenium.webdriver.common.by import By

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import browser  # noqa: E402


def main(base, printer, screenshot, image_control):
    with browser.chromium() as driver:
        driver.get(f"{base}/{printer}")
        if printer not in driver.title:
            print(f"the printer's page is titled '{driver.title}'", file=sys.stderr)
            return 1
        driver.save_screenshot(screenshot)

        driver.get(f"{base}/{printer}/printing")
        form = driver.find_element(By.ID, "form")
        if not form.find_elements(By.NAME, "session"):
            print("the form carries no session field", file=sys.stderr)
            return 1
        field = form.find_element(By.NAME, "quillory2-image-control")
        field.clear()
        field.send_keys(image_control)
        browser.click(driver, form.find_element(By.CSS_SELECTOR, "input[type=submit]"))
        if not browser.shows(driver, "Changes saved."):
            print("the form was not accepted:\n" + driver.page_source[:2000], file=sys.stderr)
            return 1
        return 0


if __name__ == "__main__":
    browser.run(main, __doc__)
