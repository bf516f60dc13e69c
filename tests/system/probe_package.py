"""A package made by Kestrow.exe around probe.exe, the stand-in installer that records every
start in C:\\kestrow-probe\\runs.log and exits with the code in C:\\kestrow-probe\\exit-code.txt.
"""

import os
import pathlib
import shutil

import wine_session

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
PROBE = pathlib.Path(os.environ["KESTROW_PROBE"])
PRODUCT_CODE = "{EEC81856-760A-4F31-8453-2B30A801E0CC}"
SILENT = "/install /silent"


def build(folder, installer=PROBE):
    """Converts the installer, probe.exe unless told, with Kestrow.exe from a console;
    returns the package's path."""
    kestrow = wine_session.copy_program(KESTROW, folder)
    installer = wine_session.copy_program(installer, folder)
    windows_path = wine_session.windows_path
    code, output = wine_session.run_from_console(kestrow, "/i", windows_path(installer), "/o",
                                                 windows_path(folder))
    if code != 0:
        raise AssertionError("Kestrow.exe failed with %d: %r" % (code, output))
    return pathlib.Path(folder) / (installer.stem + ".msi")


class Trace:
    """The probe's trace in the Wine prefix, emptied when made."""

    def __init__(self):
        self.folder = wine_session.drive_c() / "kestrow-probe"
        shutil.rmtree(self.folder, ignore_errors=True)
        self.folder.mkdir(parents=True)

    def set_exit_code(self, code):
        (self.folder / "exit-code.txt").write_text(str(code))

    def take_runs(self):
        """The command lines of the starts since the last call."""
        log = self.folder / "runs.log"
        runs = log.read_text(encoding="utf-8").splitlines() if log.exists() else []
        log.unlink(missing_ok=True)
        return runs

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)
