"""Headless Chromium through chromedriver for the web page checks, with a
profile of its own that is removed afterwards."""
import contextlib
import shutil
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service


@contextlib.contextmanager
def chromium():
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
        yield driver
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
