#!/usr/bin/python3
"""The printer's "Design a label" page in a real browser, at a phone's width:
headless Chromium driven through chromedriver. Follows the printer page's
link, fills the title, subtitle and a track list, uploads a photo, waits
for the server's preview of it, keeps a screenshot, downloads the template
and presses Print.

Then uploads EXAMPLE.json and downloads it again: what the page's fields do
not show (letter spacing, the CUE sheet, ...) must come back unchanged.

Usage: design_page.py BASE-URL PRINTER PHOTO SCREENSHOT.png TEMPLATE-OUT.json EXAMPLE.json
Prints the job's id on standard output; exit status 0 when every step
worked, the reason on standard error otherwise.
"""
import json
import os
import re
import shutil
import sys
import tempfile
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import browser  # noqa: E402


def fail(driver, why):
    status = driver.find_elements(By.ID, "status")
    print(why + (" (status: " + status[0].text + ")" if status else ""), file=sys.stderr)
    return 1


def main(base, printer, photo, screenshot, template_out, example):
    downloads = tempfile.mkdtemp(prefix="q2downloads-")
    try:
        with browser.chromium(width=412, height=915, downloads=downloads) as driver:
            driver.get(f"{base}/{printer}")
            # PAPPL's own pages set how narrow a page can be; ours is no wider.
            printer_page_width = driver.execute_script("return document.documentElement.scrollWidth")
            links = [a for a in driver.find_elements(By.TAG_NAME, "a") if a.text.strip() == "Design a label"]
            if not links:
                return fail(driver, "the printer's page has no 'Design a label' link")
            browser.click(driver, links[0])
            wait = WebDriverWait(driver, 30)
            wait.until(lambda d: d.find_element(By.ID, "preview").get_attribute("data-ready"))

            def set_text(element_id, text):
                field = driver.find_element(By.ID, element_id)
                field.clear()
                field.send_keys(text)

            set_text("title", "Summer Live")
            set_text("subtitle", "Ελληνικά · Кириллица · Café")
            tracks = driver.find_element(By.ID, "tracks")
            tracks.clear()
            for n in range(1, 13):
                tracks.send_keys(f"{n}. Song number {n}\n")
            driver.find_element(By.ID, "photo").send_keys(photo)
            # The preview of the label with the photo: the last request's.
            time.sleep(0.5)
            wait.until(lambda d: d.execute_script(
                "var i = document.getElementById('preview');"
                "return i.getAttribute('data-ready') && i.complete && i.naturalWidth > 1000 && "
                "!document.getElementById('status').textContent;"))
            time.sleep(1.0)  # the last change's preview, after the debounce
            wait.until(lambda d: d.find_element(By.ID, "preview").get_attribute("data-ready"))
            if "error" in (driver.find_element(By.ID, "status").get_attribute("class") or ""):
                return fail(driver, "the page reports an error")
            width = driver.execute_script("return document.documentElement.scrollWidth")
            if width > max(412, printer_page_width):
                return fail(driver, f"the page is {width} px wide on a 412 px screen "
                                    f"(the printer's own page: {printer_page_width} px)")
            driver.execute_script("arguments[0].scrollIntoView({block: 'center'});",
                                  driver.find_element(By.ID, "preview"))
            driver.save_screenshot(screenshot)

            def download():
                path = os.path.join(downloads, "label.json")
                if os.path.exists(path):
                    os.remove(path)
                browser.click(driver, driver.find_element(By.ID, "download"))
                for _ in range(100):
                    if os.path.exists(path) and os.path.getsize(path) > 0:
                        time.sleep(0.2)
                        return path
                    time.sleep(0.1)
                return None

            path = download()
            if not path:
                return fail(driver, "the template was not downloaded")
            shutil.copyfile(path, template_out)

            browser.click(driver, driver.find_element(By.ID, "print"))
            wait.until(lambda d: "sent to the printer" in d.find_element(By.ID, "status").text or
                       "error" in (d.find_element(By.ID, "status").get_attribute("class") or ""))
            match = re.search(r"Job (\d+) sent", driver.find_element(By.ID, "status").text)
            if not match:
                return fail(driver, "the label was not printed")
            job_id = match.group(1)

            driver.find_element(By.ID, "upload").send_keys(example)
            wait.until(lambda d: d.find_element(By.ID, "title").get_attribute("value") == "EVENING TIDES")
            path = download()
            if not path:
                return fail(driver, "the uploaded template was not downloaded again")
            with open(example, encoding="utf-8") as f:
                original = json.load(f)
            with open(path, encoding="utf-8") as f:
                again = json.load(f)
            for part in ("arc_texts", "texts", "track_list", "disc"):
                if again.get(part) != original.get(part):
                    return fail(driver, f"'{part}' changed on its way through the page:\n"
                                        f"{json.dumps(original.get(part))}\n{json.dumps(again.get(part))}")
            print(job_id)
            return 0
    finally:
        shutil.rmtree(downloads, ignore_errors=True)


if __name__ == "__main__":
    browser.run(main, __doc__)
