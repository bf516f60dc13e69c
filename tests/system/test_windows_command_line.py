"""kestrow-cli.exe, the command line for Windows, run from a batch file in cmd.exe under Wine as
a deployment script runs it: its exit code in %ERRORLEVEL%, its package and its messages those
of the native kestrow."""

import json
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

import wine_session
from wine_session import run_from_console, windows_path

KESTROW_CLI = pathlib.Path(os.environ["KESTROW_CLI"])
KESTROW_NATIVE = pathlib.Path(os.environ["KESTROW_NATIVE"])


def setUpModule():
    wine_session.ensure_prefix()


class WindowsCommandLine(unittest.TestCase):
    def setUp(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-wincli-"))
        self.addCleanup(shutil.rmtree, self.work)
        self.program = wine_session.copy_program(KESTROW_CLI, self.work)
        self.output = self.work / "out"
        self.output.mkdir()
        # Standard error goes to a file, apart from what Wine itself says.
        self.errors = self.work / "errors.txt"
        self.script = self.work / "deploy.cmd"
        run = f"{windows_path(self.program)} %* 2>{windows_path(self.errors)}"
        self.script.write_bytes(f"@echo off\r\n{run}\r\necho exit %ERRORLEVEL%\r\n".encode())

    def installer(self, name="Setup.exe"):
        path = self.work / "in" / name
        path.parent.mkdir(exist_ok=True)
        path.write_bytes(os.urandom(70_000))
        return path

    def deploy(self, *arguments):
        """(exit code, what the script printed, standard error) of a run of the script, which
        prints the program's exit code as %ERRORLEVEL% holds it, and exits with it."""
        code, printed = run_from_console(self.script, *arguments)
        return code, printed.decode("utf-8"), self.errors.read_bytes().decode("utf-8")

    def native(self, *arguments):
        completed = subprocess.run([KESTROW_NATIVE, *arguments], capture_output=True, text=True,
                                   timeout=120)
        return completed.returncode, completed.stderr

    def test_a_package_exits_0_and_is_the_native_programs(self):
        setup = self.installer("Ünïcode 名前.exe")
        package = self.output / "Ünïcode 名前.msi"
        self.assertEqual(self.deploy("-i", windows_path(setup), "-o", windows_path(self.output)),
                         (0, f"{windows_path(package)}\nexit 0\r\n", ""))
        native_output = self.work / "native"
        native_output.mkdir()
        self.assertEqual(self.native("-i", setup, "-o", native_output), (0, ""))
        self.assertEqual(package.read_bytes(), (native_output / package.name).read_bytes())

    def test_an_identity_package_is_the_native_programs(self):
        setup = self.installer()
        identity = ("-n", "agent", "--product-name", "Fabrikam Agent", "--product-version",
                    "2.1.0", "--uninstall-arguments", "/uninstall /S")
        package = self.output / "agent.msi"
        self.assertEqual(self.deploy("-i", windows_path(setup), "-o", windows_path(self.output),
                                     *identity), (0, f"{windows_path(package)}\nexit 0\r\n", ""))
        self.assertEqual(self.native("-i", setup, "-o", self.work, *identity), (0, ""))
        self.assertEqual(package.read_bytes(), (self.work / "agent.msi").read_bytes())

    def test_inspect_and_extract_tell_and_take_what_the_native_program_does(self):
        setup = self.installer()
        self.assertEqual(self.native("-i", setup, "-o", self.output), (0, ""))
        package = self.output / "Setup.msi"
        code, printed, errors = self.deploy("inspect", "--json", windows_path(package))
        self.assertEqual((code, errors), (0, ""))
        report = json.loads(printed.splitlines()[0])
        native = subprocess.run([KESTROW_NATIVE, "inspect", "--json", package],
                                capture_output=True, text=True, timeout=120)
        self.assertEqual(report, dict(json.loads(native.stdout), path=windows_path(package)))
        back = self.work / "back.exe"
        self.assertEqual(self.deploy("extract", windows_path(package), "-o", windows_path(back)),
                         (0, f"{windows_path(back)}\nexit 0\r\n", ""))
        self.assertEqual(back.read_bytes(), setup.read_bytes())

    def test_a_usage_error_exits_2_with_the_native_message(self):
        for arguments in [("-x",), ("-i",), ("--version", "--bogus"),
                          ("-i", "Setup.exe", "-o", "out", "-n", "a\\b"),
                          ("-i", "Setup.exe", "-o", "out", "-n", "C:evil")]:
            with self.subTest(arguments=arguments):
                code, message = self.native(*arguments)
                self.assertEqual(code, 2)
                self.assertEqual(self.deploy(*arguments), (2, "exit 2\r\n", message))

    def test_a_missing_installer_exits_1(self):
        missing = self.work / "Missing.exe"
        self.assertEqual(
            self.deploy("-i", windows_path(missing), "-o", windows_path(self.output)),
            (1, "exit 1\r\n", f"kestrow: {windows_path(missing)}: no such file (error 2)\n"))
        self.assertEqual(os.listdir(self.output), [])

    def test_a_missing_folder_is_told_in_the_systems_words(self):
        folder = windows_path(self.work / "absent")
        code, printed, errors = self.deploy("-i", windows_path(self.installer()), "-o", folder)
        self.assertEqual((code, printed), (1, "exit 1\r\n"))
        self.assertRegex(errors, "^kestrow: " + re.escape(folder) + r": \w[^\r\n]*[^.\s]\n\Z")

    def test_a_console_shows_the_packages_name(self):
        setup = self.installer("Ünïcode.exe")
        code, shown = wine_session.run_in_terminal(self.program, "-i", windows_path(setup),
                                                   "-o", windows_path(self.output))
        self.assertEqual(code, 0)
        self.assertIn(windows_path(self.output / "Ünïcode.msi"), shown)


if __name__ == "__main__":
    unittest.main()
