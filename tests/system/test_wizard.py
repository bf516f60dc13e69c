"""A package made by Kestrow.exe, installed with the Windows Installer's full interface under
Wine, driven through its wizard as a user would: Welcome, Ready to Install, the progress, the
end. A screenshot of each dialog is kept."""

import pathlib
import shutil
import subprocess
import tempfile
import time
import unittest

import desktop
import probe_package
import wine_session
from probe_package import PRODUCT_CODE, SILENT
from wine_session import msiexec, windows_path

WIZARD_TITLE = "Corvane Installer - InstallShield Wizard"


def setUpModule():
    desktop.prepare()


def visible_texts(window):
    return [child["text"] for child in window["controls"] if child["visible"]]


def wait_for_dialog(marker, timeout=60):
    """The wizard's window once a visible control shows the marker text."""
    deadline = time.monotonic() + timeout
    while True:
        for window in desktop.list_windows(WIZARD_TITLE, "msiexec.exe"):
            if any(marker in text for text in visible_texts(window)):
                return window
        if time.monotonic() > deadline:
            raise AssertionError("the wizard did not show %r within %d s" % (marker, timeout))
        time.sleep(0.1)


def button(window, caption, visible=True):
    found = [child for child in window["controls"] if child["class"].lower() == "button"
             and child["text"] == caption and child["visible"] in (visible, True)]
    if not found:
        raise AssertionError("no button %r in %r" % (caption, visible_texts(window)))
    return found[0]


def click(window, caption):
    desktop.click_in(window, button(window, caption)["rect"])


class FirstInstallationWizard(unittest.TestCase):
    def setUp(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-wizard-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.trace = probe_package.Trace()
        self.package = probe_package.build(self.work)
        self.wizard = None
        # A first installation needs a machine without the product; any earlier run's is removed.
        msiexec("/x", PRODUCT_CODE, "/qn")

    def tearDown(self):
        if self.wizard is not None and self.wizard.poll() is None:
            # A wizard left open holds the installer's lock; nothing else could run.
            wine_session.stop_server()
            wine_session.start_server()
        msiexec("/x", windows_path(self.package), "/qn")
        self.trace.remove()

    def test_welcome_ready_progress_and_finish(self):
        log = self.work / "wizard.log"
        wizard = self.wizard = subprocess.Popen(
            ["wine", "msiexec", "/i", windows_path(self.package), "/l*v", windows_path(log)],
            env=wine_session.wine_environment(), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)

        welcome = wait_for_dialog("Welcome to the installation of Corvane Installer")
        desktop.screenshot("wizard-1-install-welcome", welcome)
        self.assertFalse(button(welcome, "< &Back")["enabled"], "Back must be disabled")
        click(welcome, "&Next >")

        ready = wait_for_dialog("Ready to Install the Program")
        desktop.screenshot("wizard-2-ready-to-install", ready)
        click(ready, "&Install")

        finished = wait_for_dialog("The wizard has finished", timeout=120)
        desktop.screenshot("wizard-3-setup-complete-success", finished)
        self.assertIn("The wizard has successfully installed Corvane Installer. Click Finish to "
                      "exit the wizard.", visible_texts(finished))
        # The box shows only when the installer knows its log file; Wine sets no
        # MsiLogFileLocation, so there it stays hidden.
        show_log = button(finished, "Show the Windows Installer log", visible=False)
        self.assertEqual(show_log["checked"], 0, "the log box starts cleared")
        click(finished, "&Finish")

        code = wizard.wait(timeout=60)
        self.assertEqual(code, 0)
        self.assertEqual(self.trace.take_runs(), [SILENT])


if __name__ == "__main__":
    unittest.main()
