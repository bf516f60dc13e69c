"""Kestrow.exe's main window while a long conversion runs: the window goes on answering and
painting, a progress window over it shows the package growing, and the window cannot be closed
until the package is complete.

The conversion packages a 1 GiB installer into a folder on a slow drive (slow_drive.py), so
that it lasts several seconds: under Wine a GiB is otherwise copied in half a second, before a
user could see anything. The main window is driven as in test_main_window; screenshots land in
the test artifacts.
"""

import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import desktop
import slow_drive
import test_main_window as main_window
import wine_session

GIB = 1024 ** 3
# About five seconds for a 1 GiB installer's package.
SLOW_DRIVE_BYTES_PER_SECOND = 192 * 1024 ** 2
PACKAGE_NAME_TEXT, PROGRESS_BAR, PROGRESS_STATUS = 1030, 1031, 1032
PROGRESS_TITLE = "Converting to MSI"
FULL_BAR = 1000
WS_SYSMENU = 0x00080000


def stream_digest(package, name):
    """The SHA-256 of a stream of the package, as 7-Zip reads it."""
    digest = hashlib.sha256()
    with subprocess.Popen(["7z", "e", "-so", "-tCompound", str(package), name],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL) as extract:
        for piece in iter(lambda: extract.stdout.read(1 << 20), b""):
            digest.update(piece)
    return digest.hexdigest()


def file_digest(path):
    with open(path, "rb") as data:
        return hashlib.file_digest(data, "sha256").hexdigest()


class LongConversion(main_window.MainWindowTestCase):
    def setUp(self):
        super().setUp()
        work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-long-"))
        self.addCleanup(shutil.rmtree, work)
        self.backing = work / "backing"
        drive = work / "drive"
        self.backing.mkdir()
        drive.mkdir()
        self.enterContext(slow_drive.mounted(self.backing, drive, SLOW_DRIVE_BYTES_PER_SECOND))
        self.output = wine_session.windows_path(drive)
        # Sparse, so that it costs nothing to make, with bytes of its own at both ends.
        self.big_installer = self.folder_unix / "big.exe"
        with open(self.big_installer, "wb") as installer:
            installer.write(os.urandom(1 << 16))
            installer.seek(GIB - (1 << 16))
            installer.write(os.urandom(1 << 16))

    def progress_window(self, run):
        """The progress window over the main window, once it is there."""
        window = run.wait_for_owned(PROGRESS_TITLE)
        self.assertIsNotNone(desktop.control(window, PROGRESS_BAR)["position"],
                             "a message box came instead of the progress window")
        return window

    def bar(self, window):
        return desktop.control(desktop.refresh(window), PROGRESS_BAR)["position"]

    def test_window_answers_shows_progress_and_stays_open_until_the_package_is_made(self):
        run = self.open_window()
        run.fill(self.folder + r"\big.exe", self.output, "Big")
        started = time.monotonic()
        desktop.click_control(run.read(), main_window.CONVERT)
        [main] = [window for window in desktop.list_windows(process=main_window.KESTROW.name,
                                                            repaint=True)
                  if window["handle"] == run.handle]
        self.assertTrue(main["answers"], "the window does not answer while it converts")
        self.assertTrue(main["repainted"], "the window is not painted while it converts")
        self.assertFalse(main["enabled"], "a second conversion could be started")

        progress = self.progress_window(run)
        self.assertGreaterEqual(time.monotonic() - started, 0.5, "no delay before it appeared")
        self.assertEqual(desktop.control(progress, PACKAGE_NAME_TEXT)["text"], "Big.msi")
        self.assertIsNone(progress["close_box"])
        self.assertEqual(progress["style"] & WS_SYSMENU, 0)
        first = self.bar(progress)
        self.assertTrue(wine_session.settled(lambda: self.bar(progress) > first, timeout=5),
                        f"the bar stays at {first}")
        # The same progress in words, for a screen reader: the whole percent of the bar's
        # thousandths, which may have moved on since the bar was read.
        status = desktop.control(desktop.refresh(progress), PROGRESS_STATUS)["text"]
        percent = int(re.fullmatch(r"Writing the package: (\d+)%", status)[1])
        self.assertGreaterEqual(percent, first // 10)
        desktop.screenshot("main-long-conversion", run.read())

        desktop.click_close_box(main)
        desktop.press_keys(progress, "Escape", "alt+F4")
        time.sleep(0.3)
        self.assertIsNotNone(desktop.refresh(progress),
                             "the conversion ended before closing was tried")
        self.assertFalse((self.backing / "Big.msi").exists())

        status = run.wait_for_owned(main_window.SUCCESS_TITLE, timeout=120)
        self.assertEqual(desktop.control(status, main_window.STATUS_LOCATION)["text"],
                         self.output + r"\Big.msi")
        self.assertIsNone(desktop.refresh(progress))
        run.close_message(status)
        after = run.read()
        self.assertTrue(after["enabled"])
        self.assertEqual(desktop.focused_control_id(after), main_window.CONVERT)
        self.assertEqual(os.listdir(self.backing), ["Big.msi"])
        self.assertEqual(stream_digest(self.backing / "Big.msi", "Binary.Corvane"),
                         file_digest(self.big_installer))
        self.assertEqual(run.close(), (0, b""))


if __name__ == "__main__":
    unittest.main()
