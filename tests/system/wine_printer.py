"""A printer in the Wine prefix whose print jobs land in a file, for the tests that print.

Wine offers the printers of a print server and no others: on a test machine without one the
print dialog only warns that a printer must be installed first, and gives up as if cancelled.
test-printer.exe (tests/windows/test-printer) adds a printer of Wine's PostScript driver whose
port is a Unix file and makes it the default, so that the print dialog offers it and Enter
prints to it. Wine writes a whole job into the file when the printing program ends its
document (EndDoc); each job replaces the one before, and an abandoned one (AbortDoc) writes
nothing.

The driver draws every character as a glyph of a font that it embeds in the document, so the
text is not in the file as such: Ghostscript turns the pages back into text.
"""

import os
import pathlib
import re
import subprocess
import time

import desktop
import wine_session

TEST_PRINTER = pathlib.Path(os.environ.get(
    "KESTROW_TEST_PRINTER", wine_session.BUILD_DIR / "windows" / "test-printer.exe"))
PRINTER_NAME = "Test Printer"


def _run_test_printer(*arguments):
    code, _, complaints = wine_session.run_to_files(
        ["wine", wine_session.windows_path(TEST_PRINTER), *arguments], timeout=60)
    if code != 0:
        raise AssertionError("test-printer.exe %s failed with %d: %s" % (
            " ".join(arguments), code, complaints.decode("utf-8", "replace")))


def install_file_printer(name="printout"):
    """Adds the printer to the prefix as its default; returns the file its jobs go to,
    ARTIFACTS/name.ps. The file is removed first, so that it appears only when something is
    printed."""
    wine_session.ensure_prefix()
    output = (desktop.ARTIFACTS / f"{name}.ps").absolute()
    output.parent.mkdir(parents=True, exist_ok=True)
    output.unlink(missing_ok=True)
    _run_test_printer("install", PRINTER_NAME, str(output))
    return output


def remove_file_printer():
    """Takes the printer out of the prefix again, which then has none."""
    _run_test_printer("remove", PRINTER_NAME)


def wait_for_printout(output, timeout=30):
    """The PostScript document in the printer's file, once all of it is written."""
    deadline = time.monotonic() + timeout
    while True:
        document = output.read_bytes() if output.exists() else b""
        if document.rstrip().endswith(b"%%EOF"):
            return document
        if time.monotonic() > deadline:
            raise AssertionError(f"nothing printed to {output} within {timeout} s")
        time.sleep(0.3)


def printed_pages(document):
    """The number of pages that the document's trailer counts."""
    counted = re.findall(rb"^%%Pages: (\d+)\s*$", document, re.MULTILINE)
    if not counted:
        raise AssertionError("the printed document counts no pages")
    return int(counted[-1])


def printed_lines(output):
    """The text on the printed pages, line by line as Ghostscript reads it, without the
    blanks that place it on the page and without empty lines."""
    completed = subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER",
                                "-sDEVICE=txtwrite", "-sOutputFile=-", str(output)],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False,
                               timeout=60)
    if completed.returncode != 0:
        raise AssertionError("Ghostscript cannot read %s: %s" % (
            output, completed.stderr.decode("utf-8", "replace")))
    lines = completed.stdout.decode("utf-8", "replace").splitlines()
    return [line.strip() for line in lines if line.strip()]
