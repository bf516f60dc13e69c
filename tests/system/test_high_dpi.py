"""The main window and the licence window on screens of 144 and 192 dots per inch (Wine's
LogPixels): laid out in proportion to 96, no text cut, the banner drawn for the scale, and a
screenshot of each."""

import contextlib
import os
import pathlib
import subprocess
import unittest

import desktop
import wine_session

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
LICENSE_WINDOW = pathlib.Path(os.environ["KESTROW_LICENSE_WINDOW"])
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
WINDOWS = {"main": (KESTROW, "Corvane Kestrow"),
           "license": (LICENSE_WINDOW, "Corvane Kestrow - EULA")}
BANNER = 1015
BANNER_WIDTHS = {96: 431, 144: 646, 192: 862}


def set_dpi(dpi):
    """Sets the screen's dots per inch; programs started afterwards, window-list.exe among
    them, take it from a new server."""
    subprocess.run(["wine", "reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD",
                    "/d", str(dpi), "/f"], env=wine_session.wine_environment(), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wine_session.stop_server()
    wine_session.start_server()


@contextlib.contextmanager
def shown(name):
    program, title = WINDOWS[name]
    process = desktop.start(program, cwd=program.parent)
    try:
        yield desktop.wait_for_window(title, process=program.name)
    finally:
        process.kill()
        process.wait()


def size(window):
    left, top, right, bottom = window["rect"]
    return right - left, bottom - top


class HighDpi(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        desktop.prepare()
        cls.addClassCleanup(set_dpi, 96)

    def test_windows_scale_in_proportion_with_every_text_whole(self):
        sizes = {}
        for dpi in (96, 144, 192):
            set_dpi(dpi)
            for name in WINDOWS:
                with self.subTest(dpi=dpi, window=name), shown(name) as window:
                    sizes[dpi, name] = size(window)
                    if name == "main":
                        banner = desktop.control(window, BANNER)["rect"]
                        self.assertEqual(banner[2] - banner[0], BANNER_WIDTHS[dpi])
                    # At 96 the English windows are the templates as they have always been,
                    # the measure of proportion; their Accept box ends within a pixel of its
                    # text, which the measure cannot tell from a cut.
                    if dpi != 96:
                        cut = [(control["id"], control["text"])
                               for control in window["controls"] if control["fits"] is False]
                        self.assertEqual(cut, [])
                        desktop.screenshot(f"dpi-{dpi}-{name}", window)
                        for measured, base in zip(sizes[dpi, name], sizes[96, name]):
                            self.assertAlmostEqual(measured / base, dpi / 96, delta=0.12)


if __name__ == "__main__":
    unittest.main()
