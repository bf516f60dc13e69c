"""A package made by Kestrow.exe, installed by the Windows Installer under Wine."""

import os
import pathlib
import shutil
import subprocess
import tempfile
import unittest

import wine_session
from wine_session import run_from_console, windows_path

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
PROBE = pathlib.Path(os.environ["KESTROW_PROBE"])
PRODUCT_CODE = "{EEC81856-760A-4F31-8453-2B30A801E0CC}"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + PRODUCT_CODE


def setUpModule():
    wine_session.ensure_prefix()


def msiexec(*arguments):
    completed = subprocess.run(["wine", "msiexec", *arguments], env=wine_session.wine_environment(),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    wine_session.wait_for_wine()
    return completed.returncode


def registry_values(key):
    """Values of a key in the 32-bit view, where a package for the Intel platform writes."""
    completed = subprocess.run(["wine", "reg", "query", key, "/reg:32"],
                               env=wine_session.wine_environment(),
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    wine_session.wait_for_wine()
    if completed.returncode != 0:
        return None
    values = {}
    for line in completed.stdout.decode("utf-8", "replace").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2]
    return values


class InstallUnattended(unittest.TestCase):
    def setUp(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-install-"))
        self.probe_folder = wine_session.drive_c() / "kestrow-probe"
        shutil.rmtree(self.probe_folder, ignore_errors=True)
        kestrow = wine_session.copy_program(KESTROW, self.work)
        installer = wine_session.copy_program(PROBE, self.work)
        code, _ = run_from_console(kestrow, "/i", windows_path(installer), "/o",
                                   windows_path(self.work))
        self.assertEqual(code, 0)
        self.package = self.work / "probe.msi"

    def tearDown(self):
        msiexec("/x", windows_path(self.package), "/qn")
        shutil.rmtree(self.probe_folder, ignore_errors=True)

    def probe_runs(self):
        log = self.probe_folder / "runs.log"
        return log.read_text(encoding="utf-8").splitlines() if log.exists() else []

    def test_install_runs_the_stored_installer_silently_and_registers_the_product(self):
        log = self.work / "install.log"
        self.assertEqual(msiexec("/i", windows_path(self.package), "/qn", "/l*v",
                                 windows_path(log)), 0)
        self.assertEqual(self.probe_runs(), ["/install /silent"])
        values = registry_values(UNINSTALL_KEY)
        self.assertIsNotNone(values, "the product is not registered")
        self.assertEqual(values.get("DisplayName"), "Corvane Installer")
        self.assertEqual(values.get("Publisher"), "Tellwright Corporation")


if __name__ == "__main__":
    unittest.main()
