"""The windows on screens of 144 and 192 dots per inch (Wine's LogPixels) beside 96: each
declares itself aware of each monitor's dots per inch, grows in proportion, shows every text
whole and the banner drawn for its scale; a screenshot of each lands in the test artifacts."""

import contextlib
import os
import pathlib
import unittest

import desktop

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
LICENSE_WINDOW = pathlib.Path(os.environ["KESTROW_LICENSE_WINDOW"])
STATUS_WINDOW = pathlib.Path(os.environ["KESTROW_STATUS_WINDOW"])
# Each window: its program, its title, the program's arguments; the status window with the
# longest text it shows.
WINDOWS = {"main": (KESTROW, "Corvane Kestrow", ()),
           "license": (LICENSE_WINDOW, "Corvane Kestrow - EULA", ()),
           "status-failure": (STATUS_WINDOW, "Package Status - Unknown Error", ("124", "127"))}
BANNER = 1015
BANNER_SIZES = {96: (431, 108), 144: (647, 162), 192: (862, 216)}
PER_MONITOR_AWARE = 2
# Text does not grow exactly in step with the dots per inch, and dialog units follow the text.
SCALE_TOLERANCE = 0.06


def size(rect):
    left, top, right, bottom = rect
    return right - left, bottom - top


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

    def test_every_window_in_proportion_with_its_texts_whole_and_a_sharp_banner(self):
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
        if any(control["id"] == BANNER for control in window["controls"]):
            self.assertEqual(size(desktop.control(window, BANNER)["rect"]), BANNER_SIZES[dpi])
        for measured, base in zip(size(window["client"]), size(window_at_96["client"])):
            self.assertAlmostEqual(measured / base, dpi / 96, delta=SCALE_TOLERANCE * dpi / 96)
        expected = self.places(window_at_96)
        for control, (x, y) in self.places(window).items():
            self.assertAlmostEqual(x, expected[control][0], delta=0.02, msg=f"control {control}")
            self.assertAlmostEqual(y, expected[control][1], delta=0.02, msg=f"control {control}")
        if dpi != 96:
            desktop.screenshot(f"dpi-{dpi}-{name}", window)


if __name__ == "__main__":
    unittest.main()
