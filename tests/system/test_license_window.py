"""The licence agreement window as a user sees it, under Wine on a virtual display.

license-window.exe (tests/windows/license-window) opens a window of its own, makes it active as
the main window will be, loads the rich edit library and runs CLicenseDlg over it with the
program's resources, once or more; it reports what the window held once started and how each
opening ended. The Save As and print dialogs are the system's own, driven with keys and clicks.
Screenshots land in the test artifacts.
"""

import os
import pathlib
import shutil
import tempfile
import time
import unittest

import desktop
import wine_printer
import wine_session
from test_program_image import PortableExecutable

LICENSE_WINDOW = pathlib.Path(os.environ["KESTROW_LICENSE_WINDOW"])
PLANTED_RICHED20 = pathlib.Path(os.environ["KESTROW_PLANTED_RICHED20"])
KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])

TITLE = "Corvane Kestrow - EULA"
OWNER_TITLE = "License Window Owner"
IDOK, IDCANCEL = 1, 2
TEXT_AREA, PRINT, SAVE = 1016, 1023, 1024
# Controls of Wine's file dialog and of its overwrite question.
FILE_NAME_BOX, FILE_TYPE_BOX, YES, NO = 1152, 1136, 6, 7
# Controls of the print dialog: the printers, the page range and "Print to file".
PRINTER_NAME_BOX, ALL_PAGES, SELECTION, PAGES, PRINT_TO_FILE = 1139, 1056, 1057, 1058, 1040
BST_CHECKED = 1
WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_THICKFRAME = 0x00020000, 0x00010000, 0x00040000

# Passages from the start, the middle and the very end of the licence agreement.
DOCUMENT_PASSAGES = ["CORVANE KESTROW\r\nEND-USER LICENSE AGREEMENT\r\n",
                     "7. Disclaimer of warranty.",
                     "Copyright (c) Tellwright Corporation. All rights reserved."]


def licence_document():
    """The licence document as the program carries it, final NUL included."""
    return PortableExecutable(KESTROW).resources()[("RTF", 109, 1033)]


class LicenseWindowRun:
    """One run of license-window.exe: opened on entry, its output read when it has ended."""

    def __init__(self, test, openings=1, program=LICENSE_WINDOW):
        self.test = test
        self.process = desktop.start(program, str(openings), cwd=program.parent)
        self.window = None
        self.output = []

    def open(self, previous=None):
        """Waits for the licence window, a new one when the previous one is given."""
        deadline = time.monotonic() + 30
        while True:
            self.window = desktop.wait_for_window(TITLE, process=LICENSE_WINDOW.name)
            if previous is None or self.window["handle"] != previous["handle"]:
                return self.window
            self.test.assertLess(time.monotonic(), deadline, "no second licence window")
            time.sleep(0.1)

    def close(self, close=lambda window: desktop.click_control(window, IDOK)):
        close(self.window)
        desktop.wait_until_gone(self.window)

    def finish(self):
        exit_code, output = desktop.finish(self.process)
        self.output = output.decode("ascii").splitlines()
        return exit_code

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class LicenseWindowTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        desktop.prepare()
        cls.document = licence_document()

    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-licence-"))
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)

    def run_window(self, openings=1, program=LICENSE_WINDOW):
        run = LicenseWindowRun(self, openings, program)
        self.addCleanup(run.kill)
        run.open()
        return run

    def dialog_over(self, window, title, control_id):
        """The dialog with this title, owned by the window, holding the control."""
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            for dialog in desktop.list_windows(title=title, process=LICENSE_WINDOW.name):
                has_control = any(c["id"] == control_id for c in dialog["controls"])
                if dialog["owner"] == window["handle"] and has_control:
                    return dialog
            time.sleep(0.1)
        raise AssertionError(f"no {title!r} dialog with control {control_id} over the window")


class LicenseWindowTest(LicenseWindowTestCase):
    def test_shows_the_whole_document_with_its_texts_over_a_disabled_owner(self):
        run = self.run_window()
        window = run.window
        self.assertEqual(window["title"], TITLE)
        self.assertEqual([desktop.control(window, button)["text"] for button in
                          (IDOK, PRINT, SAVE)], ["&OK", "&Print", "&Save"])
        text = desktop.control(window, TEXT_AREA)["text"]
        self.assertTrue(text.startswith(DOCUMENT_PASSAGES[0]), text[:80])
        for passage in DOCUMENT_PASSAGES[1:]:
            self.assertIn(passage, text)
        self.assertTrue(text.rstrip().endswith(DOCUMENT_PASSAGES[-1]), text[-80:])
        self.assertEqual(desktop.focused_control_id(window), IDOK)
        self.assertFalse(window["style"] & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME))
        owner = desktop.list_windows(title=OWNER_TITLE, process=LICENSE_WINDOW.name)[0]
        self.assertEqual(window["owner"], owner["handle"])
        self.assertFalse(owner["enabled"])
        desktop.screenshot("license-window", window)
        run.close()
        self.assertEqual(run.finish(), IDOK)
        rich_edit, icons, characters, result = run.output
        self.assertEqual(rich_edit, "rich edit 1")
        self.assertNotIn(" 0", icons)
        self.assertGreater(int(characters.split()[1]), 4000)
        self.assertEqual(result, f"result {IDOK} streamed {len(self.document)} of "
                                 f"{len(self.document)}")

    def test_the_rich_edit_library_comes_from_the_system_folder_only(self):
        # A RICHED20.DLL beside the program, which is also its current directory, is what a
        # plain library search would find first.
        shutil.copyfile(LICENSE_WINDOW, self.folder / LICENSE_WINDOW.name)
        shutil.copyfile(PLANTED_RICHED20, self.folder / "RICHED20.DLL")
        run = self.run_window(program=self.folder / LICENSE_WINDOW.name)
        text = desktop.control(run.window, TEXT_AREA)["text"]
        self.assertTrue(text.startswith(DOCUMENT_PASSAGES[0]), text[:80])
        run.close()
        self.assertEqual(run.finish(), IDOK)

    def test_ok_escape_and_the_close_box_close_the_window(self):
        closings = {"OK": (lambda window: desktop.click_control(window, IDOK), IDOK),
                    "Escape": (lambda window: desktop.press_keys(window, "Escape"), IDCANCEL),
                    "close box": (desktop.click_close_box, IDCANCEL)}
        for name, (close, end_code) in closings.items():
            with self.subTest(closed_by=name):
                run = self.run_window()
                run.close(close)
                self.assertEqual(run.finish(), end_code)

    def test_a_second_opening_shows_the_whole_document_again(self):
        run = self.run_window(openings=2)
        first = desktop.control(run.window, TEXT_AREA)["text"]
        run.close()
        second_window = run.open(previous=run.window)
        self.assertEqual(desktop.control(second_window, TEXT_AREA)["text"], first)
        run.close()
        self.assertEqual(run.finish(), IDOK)
        streamed = f"result {IDOK} streamed {len(self.document)} of {len(self.document)}"
        self.assertEqual([line for line in run.output if line.startswith("result")],
                         [streamed, streamed])
        lengths = [line for line in run.output if line.startswith("text")]
        self.assertEqual(len(lengths), 2)
        self.assertEqual(lengths[0], lengths[1])


class SaveTest(LicenseWindowTestCase):
    """Save: the system's Save As dialog, then the document up to its NUL, or a message."""

    def save_as(self, run, path, screenshot=None):
        """Presses Save, checks the dialog's start, types the path and presses Enter."""
        desktop.click_control(run.window, SAVE)
        dialog = self.dialog_over(run.window, "Save", FILE_NAME_BOX)
        self.assertEqual(desktop.control(dialog, FILE_NAME_BOX)["text"], "Eula.rtf")
        self.assertEqual(desktop.control(dialog, FILE_TYPE_BOX)["text"], "Eula Files (*.rtf)")
        if screenshot:
            desktop.screenshot(screenshot, dialog)
        desktop.press_keys(dialog, "ctrl+a")
        desktop.type_text(dialog, wine_session.windows_path(path))
        desktop.press_keys(dialog, "Return")
        return dialog

    def finish_saving(self, run, dialog):
        desktop.wait_until_gone(dialog)
        self.assertIsNotNone(desktop.refresh(run.window), "the licence window closed")
        run.close()
        self.assertEqual(run.finish(), IDOK)

    def test_eula_rtf_holds_the_document_without_its_final_nul(self):
        run = self.run_window()
        target = self.folder / "Eula.rtf"
        self.finish_saving(run, self.save_as(run, target, screenshot="license-save-as"))
        self.assertEqual(target.read_bytes(), self.document[:-1])
        self.assertEqual(sorted(self.folder.iterdir()), [target])

    def test_saving_over_a_file_asks_first_then_replaces_it(self):
        target = self.folder / "Eula.rtf"
        target.write_bytes(b"an older copy")
        run = self.run_window()
        dialog = self.save_as(run, target)
        question = self.dialog_over(dialog, "Save", NO)
        desktop.screenshot("license-save-overwrite", question)
        desktop.click_control(question, NO)
        desktop.wait_until_gone(question)
        self.assertEqual(target.read_bytes(), b"an older copy")
        desktop.press_keys(dialog, "Return")
        question = self.dialog_over(dialog, "Save", YES)
        desktop.click_control(question, YES)
        self.finish_saving(run, dialog)
        self.assertEqual(target.read_bytes(), self.document[:-1])

    def test_a_name_without_extension_gets_only_what_the_dialog_adds(self):
        # The window sets no default extension, so on Windows the dialog returns the name as
        # typed. Wine's item dialog appends the chosen filter's extension to any name whose
        # extension differs, default extension or not; the window then writes exactly the
        # path the dialog returned, adding nothing of its own.
        run = self.run_window()
        self.finish_saving(run, self.save_as(run, self.folder / "licence"))
        returned = self.folder / "licence.rtf"
        self.assertEqual(sorted(self.folder.iterdir()), [returned])
        self.assertEqual(returned.read_bytes(), self.document[:-1])

    def test_cancelling_creates_nothing(self):
        run = self.run_window()
        desktop.click_control(run.window, SAVE)
        dialog = self.dialog_over(run.window, "Save", FILE_NAME_BOX)
        desktop.press_keys(dialog, "Escape")
        self.finish_saving(run, dialog)
        self.assertEqual(list(self.folder.iterdir()), [])
        self.assertFalse((LICENSE_WINDOW.parent / "Eula.rtf").exists())

    def test_a_target_that_cannot_be_created_is_reported_and_nothing_is_left(self):
        missing_folder = self.folder / "missing"
        for target in (missing_folder / "Eula.rtf", pathlib.Path("/proc/Eula.rtf")):
            with self.subTest(target=str(target)):
                run = self.run_window()
                dialog = self.save_as(run, target)
                message = self.dialog_over(run.window, TITLE, IDOK)
                text = desktop.control(message, 0xFFFF)["text"]
                desktop.screenshot("license-save-failed", message)
                self.assertTrue(text.startswith("The license agreement could not be saved to "
                                                f"'{wine_session.windows_path(target)}'.\n\n"),
                                text)
                self.assertGreater(len(text.split("\n\n", 1)[1].strip()), 0, text)
                desktop.click_control(message, IDOK)
                desktop.wait_until_gone(message)
                self.finish_saving(run, dialog)
                self.assertFalse(target.exists())
                self.assertEqual(list(self.folder.iterdir()), [])


class PrintTest(LicenseWindowTestCase):
    """Print: the system's print dialog with all pages and nothing else on offer, then the
    document on the chosen printer, a file printer in the test prefix."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.printout = wine_printer.install_file_printer("license-printout")

    @classmethod
    def tearDownClass(cls):
        wine_printer.remove_file_printer()

    def setUp(self):
        super().setUp()
        self.printout.unlink(missing_ok=True)

    def open_print_dialog(self, run):
        desktop.click_control(run.window, PRINT)
        return self.dialog_over(run.window, "Print", PRINTER_NAME_BOX)

    def test_the_dialog_offers_all_pages_only_and_cancelling_prints_nothing(self):
        run = self.run_window()
        dialog = self.open_print_dialog(run)
        self.assertEqual(desktop.control(dialog, PRINTER_NAME_BOX)["text"],
                         wine_printer.PRINTER_NAME)
        all_pages = desktop.control(dialog, ALL_PAGES)
        self.assertEqual((all_pages["enabled"], all_pages["checked"]), (True, BST_CHECKED))
        self.assertFalse(desktop.control(dialog, SELECTION)["enabled"])
        self.assertFalse(desktop.control(dialog, PAGES)["enabled"])
        self.assertFalse(desktop.control(dialog, PRINT_TO_FILE)["visible"])
        desktop.screenshot("license-print", dialog)
        desktop.press_keys(dialog, "Escape")
        desktop.wait_until_gone(dialog)
        self.assertIsNotNone(desktop.refresh(run.window))
        run.close()
        self.assertEqual(run.finish(), IDOK)
        self.assertFalse(self.printout.exists())

    def test_confirming_prints_the_document_or_says_why_it_cannot(self):
        run = self.run_window()
        dialog = self.open_print_dialog(run)
        desktop.press_keys(dialog, "Return")
        desktop.wait_until_gone(dialog)
        outcome = self.wait_for_printout_or_message(run.window)
        if outcome is None:
            lines = wine_printer.printed_lines(self.printout)
            self.assertEqual(lines[:2], ["CORVANE KESTROW", "END-USER LICENSE AGREEMENT"])
            self.assertEqual(lines[-1], DOCUMENT_PASSAGES[-1])
        else:
            # Wine 8's rich edit control lays out no text for a printer (its EM_FORMATRANGE
            # is a stub), so the window abandons the job and says so instead of printing
            # blank pages.
            self.assertEqual(desktop.control(outcome, 0xFFFF)["text"],
                             "The license agreement could not be printed on "
                             f"'{wine_printer.PRINTER_NAME}'.")
            desktop.screenshot("license-print-failed", outcome)
            desktop.click_control(outcome, IDOK)
            desktop.wait_until_gone(outcome)
            self.assertFalse(self.printout.exists())
        run.close()
        self.assertEqual(run.finish(), IDOK)

    def wait_for_printout_or_message(self, window, timeout=30):
        """None once the printer's file holds a whole job, or the message box over the window
        that reports the print as failed."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.printout.exists() and self.printout.read_bytes().rstrip().endswith(b"%%EOF"):
                return None
            for message in desktop.list_windows(title=TITLE, process=LICENSE_WINDOW.name):
                if message["owner"] == window["handle"]:
                    return message
            time.sleep(0.5)
        raise AssertionError("neither a printout nor a message after printing")


if __name__ == "__main__":
    unittest.main()
