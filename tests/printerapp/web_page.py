#!/usr/bin/python3
"""The printer application's web page in a real browser: headless Chromium
driven through chromedriver. Loads the printer's page and keeps a
screenshot, then sets the printer's default image control through the
Printing Defaults form (which carries PAPPL's session field) and saves it.

Usage: web_page.py BASE-URL PRINTER SCREENSHOT.png IMAGE-CONTROL
Exit status 0 when the form was accepted; the reason on standard error
otherwise.
"""
import shutil
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By


def main(base, printer, screenshot, image_control):
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
        # The form is longer than the window: bring the button into view
        # first, or the page's footer takes the click.
        button = form.find_element(By.CSS_SELECTOR, "input[type=submit]")
        driver.execute_script("arguments[0].scrollIntoView({block: 'center'});", button)
        button.click()
        page = driver.page_source
        if "Changes saved." not in page:
            print("the form was not accepted:\n" + page[:2000], file=sys.stderr)
            return 1
        return 0
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
