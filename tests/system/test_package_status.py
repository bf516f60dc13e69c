"""The package status window as a user sees it, under Wine on a virtual display.

status-window.exe (tests/windows/status-window) opens a window of its own, makes it active as
the main window will be, and runs CPackageStatus over it with texts from the program's string
table and a location from its command line; it exits with the window's end code. Screenshots
of both layouts land in the test artifacts.
"""

import os
import pathlib
import unittest

import desktop

STATUS_WINDOW = pathlib.Path(os.environ["KESTROW_STATUS_WINDOW"])

SUCCESS_CAPTION, FAILURE_CAPTION = 122, 124
SUCCESS_MESSAGE, FAILURE_MESSAGE = 125, 127
SUCCESS_TITLE = "Package Status - Success"
FAILURE_TITLE = "Package Status - Unknown Error"
SUCCESS_TEXT = ("The Corvane Installer that you specified has been sucessfully saved to an MSI "
                "file in the following location:")
FAILURE_TEXT = ("The Kestrow could not create an MSI at the location that you specified due to "
                "an unknown error. Please contact technical support at "
                "support@tellwright.example for further assistance. Please include as much "
                "detail concerning what you where trying to do at the time of the error.")
LOCATION = r"C:\Packages\Corvane Installer.msi"
OWNER_TITLE = "Status Window Owner"

IDOK, IDCANCEL = 1, 2
BANNER, MESSAGE, LOCATION_LINE = 1015, 1026, 1027

WS_POPUP, WS_CAPTION, WS_SYSMENU = 0x80000000, 0x00C00000, 0x00080000
WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x00040000, 0x00020000, 0x00010000
WS_TABSTOP, WS_GROUP = 0x00010000, 0x00020000
DS_MODALFRAME, DS_SHELLFONT = 0x80, 0x48
BS_TYPE_MASK, BS_DEFPUSHBUTTON = 0x0F, 0x01
SS_TYPE_MASK, SS_LEFT, SS_BITMAP, SS_PATHELLIPSIS = 0x1F, 0x00, 0x0E, 0x8000
WS_EX_TRANSPARENT = 0x20

DIALOG_SIZE = (286, 135)
# Control id: left, top, width, height in dialog units, as the template places them.
TEMPLATE_PLACES = {IDOK: (228, 113, 50, 14), MESSAGE: (15, 72, 259, 34),
                   LOCATION_LINE: (15, 114, 208, 16)}
BANNER_HEIGHT = 66  # dialog units


def mul_div(number, numerator, denominator):
    """Windows' MulDiv for positive numbers: rounds halves up."""
    return (number * numerator * 2 + denominator) // (denominator * 2)


class StatusWindowRun:
    """One run of the status window: opened on entry, its program's end checked on close."""

    def __init__(self, test, caption_id, message_id, *location):
        self.test = test
        self.process = desktop.start(STATUS_WINDOW, str(caption_id), str(message_id), *location)
        self.window = None

    def open(self, title):
        self.window = desktop.wait_for_window(title, process=STATUS_WINDOW.name)
        return self.window

    def end_code_after(self, close):
        """Closes the window with close(window) and returns the window's end code."""
        close(self.window)
        desktop.wait_until_gone(self.window)
        exit_code, output = desktop.finish(self.process)
        self.output = output.decode("ascii").splitlines()
        self.test.assertEqual(self.output[-1], f"result {exit_code}")
        return exit_code

    def icons(self):
        """The big and the small icon handle the window held once started (after its end)."""
        _, big, small = self.output[0].split()
        return int(big), int(small)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class PackageStatusWindow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        desktop.prepare()

    def run_window(self, caption_id, message_id, *location):
        run = StatusWindowRun(self, caption_id, message_id, *location)
        self.addCleanup(run.kill)
        return run

    def assert_layout(self, window, title, message, location):
        """The texts and the shown or hidden location line that a user sees."""
        self.assertEqual(window["title"], title)
        self.assertEqual(desktop.control(window, MESSAGE)["text"], message)
        self.assertTrue(desktop.control(window, MESSAGE)["visible"])
        location_line = desktop.control(window, LOCATION_LINE)
        button = desktop.control(window, IDOK)
        if location:
            self.assertTrue(location_line["visible"])
            self.assertEqual(location_line["text"], location)
            self.assertEqual(button["text"], "&OK")
        else:
            self.assertFalse(location_line["visible"])
            self.assertEqual(button["text"], "&Close")
        self.assertTrue(button["visible"] and button["enabled"])
        self.assertEqual(desktop.focused_control_id(window), IDOK)
        self.assertTrue(window["active"])

    def assert_owned_by_the_active_window(self, window):
        owner = desktop.wait_for_window(OWNER_TITLE, process=STATUS_WINDOW.name)
        self.assertEqual(window["owner"], owner["handle"])
        self.assertFalse(owner["enabled"])  # modal: the owner takes no input meanwhile

    def test_success_layout_closed_by_enter(self):
        run = self.run_window(SUCCESS_CAPTION, SUCCESS_MESSAGE, LOCATION)
        window = run.open(SUCCESS_TITLE)
        self.assert_layout(window, SUCCESS_TITLE, SUCCESS_TEXT, LOCATION)
        self.assert_owned_by_the_active_window(window)
        desktop.screenshot("package-status-success", window)
        self.assertEqual(run.end_code_after(lambda w: desktop.press_keys(w, "Return")), IDOK)

    def test_error_layout_closed_by_escape(self):
        run = self.run_window(FAILURE_CAPTION, FAILURE_MESSAGE)
        window = run.open(FAILURE_TITLE)
        self.assert_layout(window, FAILURE_TITLE, FAILURE_TEXT, "")
        self.assert_owned_by_the_active_window(window)
        desktop.screenshot("package-status-error", window)
        self.assertEqual(run.end_code_after(lambda w: desktop.press_keys(w, "Escape")),
                         IDCANCEL)

    def test_error_layout_closed_by_enter_on_the_close_button(self):
        run = self.run_window(FAILURE_CAPTION, FAILURE_MESSAGE)
        run.open(FAILURE_TITLE)
        self.assertEqual(run.end_code_after(lambda w: desktop.press_keys(w, "Return")), IDOK)

    def test_success_layout_closed_by_the_close_box(self):
        run = self.run_window(SUCCESS_CAPTION, SUCCESS_MESSAGE, LOCATION)
        run.open(SUCCESS_TITLE)
        self.assertEqual(run.end_code_after(desktop.click_close_box), IDCANCEL)

    def test_error_layout_closed_by_a_click_on_its_button(self):
        run = self.run_window(FAILURE_CAPTION, FAILURE_MESSAGE)
        run.open(FAILURE_TITLE)
        self.assertEqual(run.end_code_after(lambda w: desktop.click_control(w, IDOK)), IDOK)

    def test_a_single_blank_is_a_location(self):
        run = self.run_window(SUCCESS_CAPTION, SUCCESS_MESSAGE, " ")
        window = run.open(SUCCESS_TITLE)
        self.assert_layout(window, SUCCESS_TITLE, SUCCESS_TEXT, " ")
        run.end_code_after(lambda w: desktop.press_keys(w, "Return"))

    def test_the_location_alone_decides_the_layout(self):
        run = self.run_window(SUCCESS_CAPTION, SUCCESS_MESSAGE)
        window = run.open(SUCCESS_TITLE)
        self.assert_layout(window, SUCCESS_TITLE, SUCCESS_TEXT, "")
        run.end_code_after(lambda w: desktop.press_keys(w, "Escape"))

    def test_a_long_location_keeps_its_file_name_in_sight(self):
        location = "C:\\" + "\\".join(f"Folder number {n}" for n in range(12)) + "\\Setup.msi"
        run = self.run_window(SUCCESS_CAPTION, SUCCESS_MESSAGE, location)
        window = run.open(SUCCESS_TITLE)
        # The whole path stays the line's text, for screen readers and copying; the system
        # draws it with an ellipsis in its middle, so that the file name always shows.
        self.assert_layout(window, SUCCESS_TITLE, SUCCESS_TEXT, location)
        self.assertTrue(desktop.control(window, LOCATION_LINE)["style"] & SS_PATHELLIPSIS)
        desktop.screenshot("package-status-long-location", window)
        run.end_code_after(lambda w: desktop.press_keys(w, "Return"))

    def test_window_and_controls_as_the_template_makes_them(self):
        run = self.run_window(SUCCESS_CAPTION, SUCCESS_MESSAGE, LOCATION)
        window = run.open(SUCCESS_TITLE)
        style = window["style"]
        for bit in (WS_POPUP, WS_CAPTION, WS_SYSMENU, DS_MODALFRAME, DS_SHELLFONT):
            self.assertEqual(style & bit, bit, hex(bit))
        for bit in (WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX):
            self.assertEqual(style & bit, 0, hex(bit))
        self.assertEqual([child["id"] for child in window["controls"]],
                         [IDOK, BANNER, MESSAGE, LOCATION_LINE])  # tab order
        button, banner, message, location = window["controls"]
        self.assertEqual(button["style"] & BS_TYPE_MASK, BS_DEFPUSHBUTTON)
        self.assertTrue(button["style"] & WS_TABSTOP)
        self.assertEqual(banner["style"] & SS_TYPE_MASK, SS_BITMAP)
        self.assertTrue(banner["exstyle"] & WS_EX_TRANSPARENT)
        for static in (message, location):
            self.assertEqual(static["style"] & SS_TYPE_MASK, SS_LEFT)
            self.assertTrue(static["style"] & WS_GROUP)

        # Dialog units to pixels with the base units that the window's size reveals.
        client_left, client_top, client_right, client_bottom = window["client"]
        base_x = round((client_right - client_left) * 4 / DIALOG_SIZE[0])
        base_y = round((client_bottom - client_top) * 8 / DIALOG_SIZE[1])
        self.assertEqual(client_right - client_left, mul_div(DIALOG_SIZE[0], base_x, 4))
        self.assertEqual(client_bottom - client_top, mul_div(DIALOG_SIZE[1], base_y, 8))
        for control_id, (x, y, width, height) in TEMPLATE_PLACES.items():
            left, top, right, bottom = desktop.control(window, control_id)["rect"]
            with self.subTest(control=control_id):
                self.assertEqual((left - client_left, top - client_top, right - left,
                                  bottom - top),
                                 (mul_div(x, base_x, 4), mul_div(y, base_y, 8),
                                  mul_div(width, base_x, 4), mul_div(height, base_y, 8)))
        # The banner across the top, as high as the template makes it.
        self.assertEqual(banner["rect"], [client_left, client_top, client_right,
                                          client_top + mul_div(BANNER_HEIGHT, base_y, 8)])
        run.end_code_after(lambda w: desktop.press_keys(w, "Return"))
        big, small = run.icons()
        self.assertNotEqual(big, 0)
        self.assertEqual(small, big)


if __name__ == "__main__":
    unittest.main()
