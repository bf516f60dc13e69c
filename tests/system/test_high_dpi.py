"""The windows on screens of 144 and 192 dots per inch (Wine's LogPixels) beside 96, and with
another dialog font: each declares itself aware of each monitor's dots per inch, grows in
proportion, shows every text whole and the banner across its whole width; a screenshot of each
lands in the test artifacts."""

import contextlib
import os
import pathlib
import subprocess
import unittest

import desktop
import wine_session

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
LICENSE_WINDOW = pathlib.Path(os.environ["KESTROW_LICENSE_WINDOW"])
STATUS_WINDOW = pathlib.Path(os.environ["KESTROW_STATUS_WINDOW"])
# Each window: its program, its title, the program's arguments; the status window with the
# longest text it shows.
WINDOWS = {"main": (KESTROW, "Corvane Kestrow", ()),
           "license": (LICENSE_WINDOW, "Corvane Kestrow - EULA", ()),
           "status-failure": (STATUS_WINDOW, "Package Status - Unknown Error", ("124", "127"))}
BANNER = 1015
FONT_SUBSTITUTES = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes"
PER_MONITOR_AWARE = 2
# Text does not grow exactly in step with the dots per inch, and dialog units follow the text.
SCALE_TOLERANCE = 0.06


def size(rect):
    left, top, right, bottom = rect
    return right - left, bottom - top


def set_dialog_font(face):
    """The face that "MS Shell Dlg" stands for in the programs started afterwards."""
    subprocess.run(["wine", "reg", "add", FONT_SUBSTITUTES, "/v", "MS Shell Dlg", "/t", "REG_SZ",
                    "/d", face, "/f"], env=wine_session.wine_environment(), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


@contextlib.contextmanager
def shown(name):
    program, title, arguments = WINDOWS[name]
    process = desktop.start(program, *arguments)
    try:
        yield desktop.wait_for_window(title, process=program.name)
    finally:
        process.kill()
        process.wait()


class HighDpi(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        desktop.prepare()
        # Every other test of the prefix expects 96.
        cls.addClassCleanup(desktop.set_screen_dpi, 96)

    def places(self, window):
        """Each control's top left corner as a fraction of the client area's size."""
        client_left, client_top = window["client"][:2]
        width, height = size(window["client"])
        return {control["id"]: ((control["rect"][0] - client_left) / width,
                                (control["rect"][1] - client_top) / height)
                for control in window["controls"]}

    def test_every_window_in_proportion_with_its_texts_whole_and_the_banner_across_it(self):
        at_96 = {}
        for dpi in (96, 144, 192):
            desktop.set_screen_dpi(dpi)
            for name in WINDOWS:
                with self.subTest(dpi=dpi, window=name), shown(name) as window:
                    self.check_window(window, name, dpi, at_96.setdefault(name, window))

    def check_window(self, window, name, dpi, window_at_96):
        self.assertEqual(window["dpi_awareness"], PER_MONITOR_AWARE)
        cut = [(control["id"], control["text"]) for control in window["controls"]
               if control["fits"] is False]
        self.assertEqual(cut, [])
        self.assert_banner_fills_the_width(window)
        for measured, base in zip(size(window["client"]), size(window_at_96["client"])):
            self.assertAlmostEqual(measured / base, dpi / 96, delta=SCALE_TOLERANCE * dpi / 96)
        expected = self.places(window_at_96)
        for control, (x, y) in self.places(window).items():
            self.assertAlmostEqual(x, expected[control][0], delta=0.02, msg=f"control {control}")
            self.assertAlmostEqual(y, expected[control][1], delta=0.02, msg=f"control {control}")
        if dpi != 96:
            desktop.screenshot(f"dpi-{dpi}-{name}", window)

    def assert_banner_fills_the_width(self, window):
        if not any(control["id"] == BANNER for control in window["controls"]):
            return
        left, top, right, _ = desktop.control(window, BANNER)["rect"]
        self.assertEqual((left, top, right), tuple(window["client"][:3]))

    def test_the_banner_fills_the_window_in_a_wider_dialog_font(self):
        desktop.set_screen_dpi(96)
        set_dialog_font("DejaVu Sans")
        self.addCleanup(set_dialog_font, "Tahoma")
        for name in ("main", "status-failure"):
            with self.subTest(window=name), shown(name) as window:
                self.assert_banner_fills_the_width(window)
                picture = desktop.screenshot(f"wide-font-{name}", window)
                # The banner's last column against the window's face below it.
                origin_x, origin_y = window["rect"][:2]
                _, top, right, bottom = desktop.control(window, BANNER)["rect"]
                column = right - 1 - origin_x
                self.assertNotEqual(
                    desktop.pixel_colour(picture, column, (top + bottom) // 2 - origin_y),
                    desktop.pixel_colour(picture, column, bottom + 2 - origin_y))


if __name__ == "__main__":
    unittest.main()
