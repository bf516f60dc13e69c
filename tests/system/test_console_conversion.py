"""Kestrow.exe in console mode, run from cmd.exe under Wine: exact bytes and exit codes."""

import os
import shutil
import pathlib
import sys
import tempfile
import unittest

import wine_session
from console_output import PROMPT, console_bytes, replace_failure_text, result_text
from wine_session import run_from_console, windows_path

sys.path.insert(0, str(pathlib.Path(__file__).parent / "readback"))
import readback  # noqa: E402

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
TEMPLATE = pathlib.Path(os.environ["KESTROW_TEMPLATE"])
MSI_DUMP = pathlib.Path(os.environ["KESTROW_MSI_DUMP"])

USAGE = ("\r\n"
         "Quillmere \r\n"
         "------------------- \r\n"
         "\r\n"
         "Supported command arguments: \r\n"
         "   /i <path to exe file> /o <path of output MSI file>  \r\n")
INCORRECT_COUNT = "\r\nIncorrect number of arguments \r\n" + USAGE
INVALID = "\r\nInvalid argument \r\n" + USAGE
ERROR_INVALID_PARAMETER = 87


def package_dumps(package):
    """The package as msitools and as Wine's msi.dll read it."""
    return {"msitools": readback.dump_with_msitools(package),
            "msi.dll": readback.dump_with_wine_msi(MSI_DUMP, package)}


def setUpModule():
    global TEMPLATE_DUMPS
    wine_session.ensure_prefix()
    os.environ["WINEPREFIX"] = wine_session.wine_environment()["WINEPREFIX"]
    TEMPLATE_DUMPS = package_dumps(TEMPLATE)


class ConsoleTestCase(unittest.TestCase):
    def setUp(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-console-"))
        self.addCleanup(shutil.rmtree, self.work)
        self.kestrow = wine_session.copy_program(KESTROW, self.work)
        self.output = self.work / "out"
        self.output.mkdir()

    def installer(self, name, folder=None, content=None):
        folder = pathlib.Path(folder or self.work / "in")
        folder.mkdir(parents=True, exist_ok=True)
        path = folder / name
        path.write_bytes(content if content is not None else os.urandom(70_000))
        return path

    def convert(self, *arguments):
        return run_from_console(self.kestrow, *arguments)

    def assertConverted(self, installer, arguments, package):
        code, printed = self.convert(*arguments)
        self.assertEqual(printed, console_bytes(result_text(0) + PROMPT))
        self.assertEqual(code, 0)
        self.assertPackageHolds(package, installer)

    def assertPackageHolds(self, package, installer):
        """Both readers see the template's tables, rows and streams, but for the installer's
        bytes in the Binary row "Corvane"."""
        for reader, dump in package_dumps(package).items():
            with self.subTest(reader=reader):
                self.assertEqual(readback.without_corvane_stream(dump),
                                 readback.without_corvane_stream(TEMPLATE_DUMPS[reader]))
                self.assertEqual(readback.corvane_stream(dump),
                                 readback.file_stream_cell(installer))


class AcceptedArguments(ConsoleTestCase):
    def test_conversion_writes_the_package_named_after_the_installer(self):
        setup = self.installer("Setup.exe")
        self.assertConverted(setup, ["/i", windows_path(setup), "/o", windows_path(self.output)],
                             self.output / "Setup.msi")

    def test_switches_in_capitals(self):
        setup = self.installer("Setup.exe")
        self.assertConverted(setup, ["/I", windows_path(setup), "/O", windows_path(self.output)],
                             self.output / "Setup.msi")

    def test_title_drops_only_the_last_extension(self):
        tool = self.installer("Tool.bin")
        self.assertConverted(tool, ["/i", windows_path(tool), "/o", windows_path(self.output)],
                             self.output / "Tool.msi")
        agent = self.installer("agent.x64.exe")
        self.assertConverted(agent, ["/i", windows_path(agent), "/o", windows_path(self.output)],
                             self.output / "agent.x64.msi")

    def test_folder_with_trailing_backslash_is_used_unchanged(self):
        setup = self.installer("Setup.exe")
        folder = windows_path(self.output) + "\\"
        self.assertConverted(setup, ["/i", windows_path(setup), "/o", folder],
                             self.output / "Setup.msi")

    def test_paths_with_blanks_and_non_ascii_letters(self):
        setup = self.installer("日本語 セットアップ é.exe", self.work / "Über träger")
        output = self.work / "Ausgabe é 出力"
        output.mkdir()
        self.assertConverted(setup, ["/i", windows_path(setup), "/o", windows_path(output)],
                             output / "日本語 セットアップ é.msi")

    def test_existing_package_is_replaced(self):
        setup = self.installer("Setup.exe")
        package = self.output / "Setup.msi"
        package.write_bytes(b"an old file that is no database" * 50_000)
        self.assertConverted(setup, ["/i", windows_path(setup), "/o", windows_path(self.output)],
                             package)

    def test_two_builds_in_a_row_give_identical_packages(self):
        setup = self.installer("Setup.exe")
        arguments = ["/i", windows_path(setup), "/o", windows_path(self.output)]
        self.assertConverted(setup, arguments, self.output / "Setup.msi")
        first = (self.output / "Setup.msi").read_bytes()
        self.assertConverted(setup, arguments, self.output / "Setup.msi")
        self.assertEqual((self.output / "Setup.msi").read_bytes(), first)


class InATerminal(ConsoleTestCase):
    def test_the_outcome_reaches_the_terminal(self):
        setup = self.installer("Setup.exe")
        code, shown = wine_session.run_in_terminal(
            self.kestrow, "/i", windows_path(setup), "/o", windows_path(self.output))
        self.assertEqual(code, 0)
        visible = "".join(shown.split())
        self.assertEqual(visible, "".join((result_text(0) + PROMPT).split()))
        self.assertPackageHolds(self.output / "Setup.msi", setup)


class RedirectedOutput(ConsoleTestCase):
    def test_output_sent_to_a_file_lands_there(self):
        setup = self.installer("Setup.exe")
        log = self.work / "log.txt"
        code, printed = self.convert("/i", windows_path(setup), "/o", windows_path(self.output),
                                     ">", windows_path(log))
        self.assertEqual(code, 0)
        self.assertEqual(printed, b"")
        self.assertEqual(log.read_bytes(), console_bytes(result_text(0) + PROMPT))


class RefusedArguments(ConsoleTestCase):
    def assertRefused(self, arguments, expected_text):
        code, printed = self.convert(*arguments)
        self.assertEqual(printed, console_bytes(expected_text + PROMPT))
        self.assertEqual(code, ERROR_INVALID_PARAMETER)
        self.assertEqual(list(self.output.iterdir()), [])

    def test_wrong_count_prints_both_blocks(self):
        setup = windows_path(self.installer("Setup.exe"))
        folder = windows_path(self.output)
        for arguments in (["/i", setup, "/o"], ["/i", setup, "/o", folder, "extra"], [setup]):
            with self.subTest(arguments=arguments):
                self.assertRefused(arguments, INCORRECT_COUNT + INVALID)

    def test_malformed_arguments_print_the_invalid_block(self):
        setup = windows_path(self.installer("Setup.exe"))
        folder = windows_path(self.output)
        for arguments in (["-i", setup, "/o", folder], ["/i", setup, "-o", folder],
                          ["/o", folder, "/i", setup], ["/i", "", "/o", folder],
                          ["/i", setup, "/o", ""], ["/ii", setup, "/o", folder]):
            with self.subTest(arguments=arguments):
                self.assertRefused(arguments, INVALID)


class FailedBuilds(ConsoleTestCase):
    def test_missing_installer_builds_nothing_and_fails_with_2(self):
        missing = windows_path(self.work / "in" / "Missing.exe")
        code, printed = self.convert("/i", missing, "/o", windows_path(self.output))
        self.assertEqual(printed, console_bytes(result_text(2) + PROMPT))
        self.assertEqual(code, 2)
        self.assertEqual(list(self.output.iterdir()), [])

    def test_missing_output_folder_fails_with_1(self):
        setup = self.installer("Setup.exe")
        missing = windows_path(self.work / "no such folder")
        code, printed = self.convert("/i", windows_path(setup), "/o", missing)
        self.assertEqual(printed, console_bytes(result_text(1) + PROMPT))
        self.assertEqual(code, 1)

    def test_installer_too_large_for_a_package_is_refused(self):
        # Sparse: the refusal comes before a byte of it is read.
        huge = self.work / "in" / "Huge.exe"
        huge.parent.mkdir(parents=True, exist_ok=True)
        with open(huge, "wb") as sparse:
            sparse.truncate(2 * 1024 ** 3 + 1)
        code, printed = self.convert("/i", windows_path(huge), "/o", windows_path(self.output))
        self.assertEqual(printed, console_bytes(result_text(1627) + PROMPT))
        self.assertEqual(code, 1627 & 0xFF)  # Wine's exit status keeps the low 8 bits
        self.assertEqual(list(self.output.iterdir()), [])

    def test_installer_at_the_package_path_is_kept(self):
        for name in ("Setup.msi", "SETUP.MSI"):
            with self.subTest(name=name):
                installer = self.installer(name, self.output)
                original = installer.read_bytes()
                code, printed = self.convert("/i", windows_path(installer), "/o",
                                             windows_path(self.output))
                self.assertEqual(printed, console_bytes(result_text(1) + PROMPT))
                self.assertEqual(code, 1)
                self.assertEqual(installer.read_bytes(), original)
                installer.unlink()

    def test_package_path_that_cannot_be_deleted(self):
        setup = self.installer("Setup.exe")
        blocker = self.output / "Setup.msi"
        blocker.mkdir()
        code, printed = self.convert("/i", windows_path(setup), "/o", windows_path(self.output))
        expected = replace_failure_text(windows_path(blocker)) + result_text(1) + PROMPT
        self.assertEqual(printed, console_bytes(expected))
        self.assertEqual(code, 1)
        self.assertTrue(blocker.is_dir())


if __name__ == "__main__":
    unittest.main()
