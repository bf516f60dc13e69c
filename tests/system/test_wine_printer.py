"""The test printer (wine_printer), proven with a program of Wine's own that prints: Notepad.

Wine's Notepad started with /p shows the print dialog (Windows' Notepad prints at once) and
prints the text file to the printer chosen there. With the test printer installed the dialog
offers it first and the pages land in the printer's file; with it removed again the prefix
has no printer, and the dialog gives way to Wine's warning that none is installed.
"""

import pathlib
import shutil
import tempfile
import unittest

import desktop
import wine_printer
import wine_session

NOTEPAD = "notepad.exe"
PRINT_TITLE = "Print"
PRINTER_NAME_BOX = 1139  # the print dialog's list of printers
LETTER = ["Dear printer,", "these lines travel through Wine's spooler to a file."]
NO_PRINTER_WARNING = ("Before you can perform printer-related tasks such as page setup or "
                      "printing a document, you need to install a printer. Please install "
                      "one and retry.")


def setUpModule():
    desktop.prepare()


def tearDownModule():
    wine_printer.remove_file_printer()  # the other tests find the prefix as it was made


class NotepadPrinting(unittest.TestCase):
    def setUp(self):
        work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-printer-"))
        self.addCleanup(shutil.rmtree, work, ignore_errors=True)
        self.letter = work / "letter.txt"
        self.letter.write_bytes("\r\n".join(LETTER).encode("ascii") + b"\r\n")

    def print_letter(self):
        """Starts Notepad printing the letter; returns the first window titled "Print"."""
        program = wine_session.drive_c() / "windows" / "system32" / NOTEPAD
        process = desktop.start(program, "/p", wine_session.windows_path(self.letter))
        self.addCleanup(self.end_notepad, process)
        return desktop.wait_for_window(PRINT_TITLE, process=NOTEPAD)

    def end_notepad(self, process):
        if process.poll() is None:
            desktop.press_keys(desktop.wait_for_window(f"{self.letter.name} - Notepad",
                                                       process=NOTEPAD), "alt+F4")
        desktop.finish(process)

    def test_the_printer_is_offered_and_prints_to_its_file(self):
        output = wine_printer.install_file_printer("notepad-printout")
        dialog = self.print_letter()
        self.assertEqual(desktop.control(dialog, PRINTER_NAME_BOX)["text"],
                         wine_printer.PRINTER_NAME)
        self.assertFalse(output.exists())
        desktop.press_keys(dialog, "Return")
        document = wine_printer.wait_for_printout(output)
        self.assertTrue(document.startswith(b"%!PS-Adobe-3.0"))
        self.assertIn(b"\n%%Title: letter.txt\n", document)
        self.assertEqual(wine_printer.printed_pages(document), 1)
        # Notepad heads the page with the file's path and foots it with the page number.
        self.assertEqual(wine_printer.printed_lines(output),
                         [wine_session.windows_path(self.letter), *LETTER, "Page 1"])

    def test_without_the_printer_the_dialog_warns_that_there_is_none(self):
        output = wine_printer.install_file_printer("removed-printer")
        wine_printer.remove_file_printer()
        warning = self.print_letter()
        self.assertIn(NO_PRINTER_WARNING, [control["text"] for control in warning["controls"]])
        desktop.press_keys(warning, "Return")
        desktop.wait_until_gone(warning)
        self.assertEqual(desktop.list_windows(PRINT_TITLE, NOTEPAD), [])  # no dialog follows
        self.assertFalse(output.exists())


if __name__ == "__main__":
    unittest.main()
