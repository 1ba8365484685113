"""Headless Chromium through chromedriver, as the printer application's web
page tests drive it. Flags keep Chromium off the network (this machine has
none) and in a profile of its own, removed afterwards."""
import contextlib
import inspect
import shutil
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

FLAGS = ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync")


@contextlib.contextmanager
def chromium(width=1024, height=900, downloads=None):
    """downloads: a folder where files the page downloads land."""
    profile = tempfile.mkdtemp(prefix="q2chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in FLAGS + (f"--window-size={width},{height}", "--user-data-dir=" + profile):
        options.add_argument(flag)
    if downloads:
        options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                                  "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.set_page_load_timeout(30)
        if downloads:
            driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
        yield driver
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


def click(driver, element):
    """Clicks as a person would after scrolling: forms grow taller than the
    window, and an element below the fold cannot take a plain click."""
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'});", element)
    element.click()


def shows(driver, text, timeout=20):
    """Waits until the page holds text: a click that submits a form returns
    before the answer has loaded."""
    try:
        WebDriverWait(driver, timeout).until(lambda d: text in d.page_source)
        return True
    except Exception:
        return False


def run(main, usage):
    """A page script's entry: main with the command line's arguments, its
    result the exit status; the usage and status 2 when their number is not
    the number main takes."""
    arguments = sys.argv[1:]
    if len(arguments) != len(inspect.signature(main).parameters):
        print(usage, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*arguments))
