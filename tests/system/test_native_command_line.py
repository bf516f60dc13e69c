"""kestrow, the native command line, run as a user runs it: its arguments, its messages and
exit codes, and the folder it leaves when a conversion fails."""

import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import slow_drive
from test_safe_build import folder_digests

sys.path.insert(0, str(pathlib.Path(__file__).parent / "readback"))
import readback  # noqa: E402

KESTROW = pathlib.Path(os.environ["KESTROW_NATIVE"])
VERSION = (pathlib.Path(__file__).parents[2] / "VERSION").read_text().strip()
USAGE = ("usage: kestrow -i <installer> [-o <folder>] [-n <package name>] [identity options]\n"
         "       kestrow inspect [--json] <package>...\n"
         "       kestrow extract <package> -o <file>\n")
NOBODY = 65534
MIB = 1024 ** 2
# Mounts a small drive holding the files of seed, runs the command given with the drive as
# its output folder, and copies what the drive then holds out before it goes.
SMALL_DRIVE_SCRIPT = """
drive=$1 seed=$2 after=$3; shift 3
mount -t tmpfs -o size=2m kestrow-small "$drive" && cp -R "$seed/." "$drive/" || exit 125
"$@" -o "$drive"; status=$?
cp -R "$drive/." "$after/"
exit $status
"""


class NativeCase(unittest.TestCase):
    def setUp(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-native-"))
        self.addCleanup(shutil.rmtree, self.work)
        self.output = self.work / "out"
        self.output.mkdir()

    def installer(self, name="Setup.exe", size=70_000):
        path = self.work / name
        path.write_bytes(os.urandom(size))
        return path

    def run_kestrow(self, *arguments, prefix=()):
        completed = subprocess.run([*prefix, KESTROW, *map(str, arguments)],
                                   capture_output=True, text=True, errors="surrogateescape",
                                   timeout=120)
        return completed.returncode, completed.stdout, completed.stderr

    def old_package(self):
        old = self.installer("Setup.exe", 5000)
        self.assertEqual(self.run_kestrow("-i", old, "-o", self.output)[0], 0)
        return folder_digests(self.output)

    def assertHolds(self, package, installer):
        dump = readback.dump_with_msitools(package)
        self.assertEqual(readback.corvane_stream(dump), readback.file_stream_cell(installer))


class Arguments(NativeCase):
    def test_usage_errors_name_the_fault_and_exit_with_2(self):
        setup = self.installer()
        cases = {
            (): "kestrow: -i: missing\n",
            ("-i", setup, "-o"): "kestrow: -o: needs a value\n",
            ("-x",): "kestrow: -x: unknown option\n",
            ("--version", "--bogus"): "kestrow: --bogus: unknown option\n",
            ("--bogus", "--version"): "kestrow: --bogus: unknown option\n",
            ("--help=x",): "kestrow: --help: takes no value\n",
            ("-hx",): "kestrow: -h: takes no value\n",
            ("--installer=", "-o", "x"): "kestrow: --installer: the value is empty\n",
            ("--out", "x"): "kestrow: --out: unknown option\n",
            ("-i", setup, "-i", setup): "kestrow: -i: given more than once\n",
            ("-i", setup, "-o", self.output, "extra"): "kestrow: extra: unexpected argument\n",
            ("-o", self.output, "--", "-i"): "kestrow: -i: unexpected argument\n",
        }
        for arguments, message in cases.items():
            with self.subTest(arguments=arguments):
                self.assertEqual(self.run_kestrow(*arguments),
                                 (2, "", message + USAGE + "Try 'kestrow --help'.\n"))
        self.assertEqual(os.listdir(self.output), [])

    def test_help_and_version_go_to_standard_output(self):
        code, printed, errors = self.run_kestrow("--help")
        self.assertEqual((code, errors), (0, ""))
        self.assertTrue(printed.startswith(USAGE))
        for option in ("--installer", "--output", "--name", "--version"):
            self.assertIn(option, printed)
        version = f"kestrow {VERSION}\nCopyright (c) Tellwright Corporation. All rights reserved.\n"
        self.assertEqual(self.run_kestrow("-i", "x", "--version"), (0, version, ""))
        self.assertEqual(self.run_kestrow("-V"), (0, version, ""))
        self.assertEqual(self.run_kestrow("-h")[:2], (0, printed))

    def test_help_that_cannot_be_written_is_a_failure(self):
        with open("/dev/full", "w") as full:
            completed = subprocess.run([KESTROW, "--version"], stdout=full, stderr=subprocess.PIPE,
                                       text=True, timeout=60)
        self.assertEqual(completed.returncode, 1)
        self.assertRegex(completed.stderr, "^kestrow: standard output: ")

    def test_the_package_goes_to_the_current_folder_unless_told(self):
        setup = self.installer()
        completed = subprocess.run([KESTROW, "-i", setup], cwd=self.output, capture_output=True,
                                   text=True, timeout=120)
        self.assertEqual((completed.returncode, completed.stdout), (0, "./Setup.msi\n"))
        self.assertHolds(self.output / "Setup.msi", setup)

    def test_names_take_the_windows_rules(self):
        setup = self.installer("agent.x64.exe")
        for arguments, name in [((), "agent.x64.msi"),
                                (("-n", " Fleet "), "Fleet .msi"),  # appended, then trimmed
                                (("--name=a.msi.old",), "a.msi.old"),
                                (("--name", "Ünïcode 名前"), "Ünïcode 名前.msi")]:
            with self.subTest(name=name):
                package = self.output / name
                code, printed, errors = self.run_kestrow("-i", setup, "-o", self.output,
                                                         *arguments)
                self.assertEqual((code, printed, errors), (0, f"{package}\n", ""))
                self.assertHolds(package, setup)
        for blank in ["  ", ".msi", " .msi\t"]:
            with self.subTest(blank=blank):
                self.assertEqual(self.run_kestrow("-i", setup, "-o", self.output, "-n", blank),
                                 (2, "", 'kestrow: --name: not a package name: blank, or '
                                  '".msi" alone\n'))


class ManualPage(unittest.TestCase):
    def test_the_build_fills_in_the_version_and_a_date(self):
        page = (pathlib.Path(os.environ["KESTROW_BUILD_DIR"]) / "kestrow.1").read_text()
        self.assertRegex(page, r'\n\.TH KESTROW 1 "\d{4}-\d\d-\d\d" "kestrow '
                         + re.escape(VERSION) + '" "User Commands"\n')
        self.assertIn("2,130,030,592 bytes", page)
        self.assertNotIn("@", page)


class Names(NativeCase):
    def test_a_name_with_a_separator_is_a_usage_error(self):
        setup = self.installer()
        for name in ["../x", f"{self.work}/x", "sub/x", "C:x"]:
            with self.subTest(name=name):
                self.assertEqual(self.run_kestrow("-i", setup, "-o", self.output, "-n", name),
                                 (2, "", 'kestrow: --name: a name, not a path: it may not hold '
                                  '"/", "\\" or ":"\n'))
        self.assertEqual(sorted(os.listdir(self.work)), ["Setup.exe", "out"])
        self.assertEqual(os.listdir(self.output), [])

    def test_an_overlong_slash_in_an_installers_name_stays_in_the_folder(self):
        setup = self.installer(os.fsdecode(b"..\xf0\x80\x80\xafevil.exe"))
        package = self.output / os.fsdecode(b"..\xf0\x80\x80\xafevil.msi")
        self.assertEqual(self.run_kestrow("-i", setup, "-o", self.output), (0, f"{package}\n", ""))
        self.assertEqual(os.listdir(self.output), [package.name])
        self.assertHolds(package, setup)


class Failures(NativeCase):
    """Each failure exits with 1 and a reason, and leaves the folder as it was."""

    def assertFails(self, arguments, message, before, prefix=()):
        self.assertEqual(self.run_kestrow(*arguments, prefix=prefix), (1, "", message))
        self.assertEqual(folder_digests(self.output), before)

    def test_installer_missing_or_unreadable(self):
        before = self.old_package()
        missing = self.work / "Setup.exe"
        missing.unlink()
        self.assertFails(["-i", missing, "-o", self.output],
                         f"kestrow: {missing}: no such file (error 2)\n", before)
        missing.mkdir()
        self.assertFails(["-i", missing, "-o", self.output],
                         f"kestrow: {missing}: not a regular file (error 110)\n",
                         before)
        missing.rmdir()
        os.mkfifo(missing)  # with no writer: refused at once, not waited on
        self.assertFails(["-i", missing, "-o", self.output],
                         f"kestrow: {missing}: not a regular file (error 110)\n",
                         before)

    def test_a_read_only_package_is_kept(self):
        before = self.old_package()
        os.chmod(self.output / "Setup.msi", 0o444)
        self.assertFails(["-i", self.installer(), "-o", self.output],
                         f"kestrow: {self.output / 'Setup.msi'}: Permission denied\n", before)

    def test_a_path_that_never_reached_standard_output_is_a_failure(self):
        with open("/dev/full", "w") as full:
            completed = subprocess.run([KESTROW, "-i", self.installer(), "-o", self.output],
                                       stdout=full, stderr=subprocess.PIPE, text=True)
        self.assertEqual((completed.returncode, completed.stderr),
                         (1, "kestrow: standard output: No space left on device\n"))

    def test_output_folder_missing_or_not_a_folder(self):
        setup = self.installer()
        self.assertFails(["-i", setup, "-o", self.work / "none"],
                         f"kestrow: {self.work / 'none'}: no such folder\n", {})
        self.assertFails(["-i", setup, "-o", setup],
                         f"kestrow: {setup}: not a folder\n", {})

    def test_unwritable_folder(self):
        setup = self.installer()
        os.chmod(self.work, 0o755)
        os.chmod(setup, 0o644)
        os.chmod(self.output, 0o555)
        prefix = []
        if os.geteuid() == 0:  # root writes anywhere: the user nobody does not
            prefix = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups"]
        self.assertFails(["-i", setup, "-o", self.output],
                         f"kestrow: {self.output}: Permission denied\n", {}, prefix)

    def test_a_folder_at_the_package_path_stays(self):
        setup = self.installer()
        (self.output / "Setup.msi").mkdir()
        self.assertFails(["-i", setup, "-o", self.output],
                         f"kestrow: {self.output / 'Setup.msi'}: Is a directory\n",
                         {"Setup.msi": "not a file"})

    def test_a_full_disk_keeps_the_old_package(self):
        """On a small drive mounted in a private mount namespace, whose files are copied
        out before it goes."""
        if subprocess.run(["unshare", "-rm", "true"], capture_output=True).returncode != 0:
            self.skipTest("no private mount namespace here")
        before = self.old_package()
        setup = self.installer("Setup.exe", 8 * 1024 * 1024)
        drive, after = self.work / "drive", self.work / "after"
        drive.mkdir()
        after.mkdir()
        namespace = ["unshare", "-rm", "sh", "-c", SMALL_DRIVE_SCRIPT, "sh", drive,
                     self.output, after]
        self.assertEqual(self.run_kestrow("-i", setup, prefix=namespace),
                         (1, "", f"kestrow: {drive / 'Setup.msi'}: the disk is full (error 112)\n"))
        self.assertEqual(folder_digests(after), before)


# Runs the command given in a private mount namespace where /proc shows nothing, as in some
# chroots and containers.
WITHOUT_PROC = ["unshare", "-rm", "sh", "-c", 'mount -t tmpfs kestrow-noproc /proc && exec "$@"',
                "sh"]
LARGEST_INSTALLER = 2_130_030_592


class PendingFiles(NativeCase):
    def setUp(self):
        super().setUp()
        if subprocess.run([*WITHOUT_PROC, "true"], capture_output=True).returncode != 0:
            self.skipTest("no private mount namespace here")

    def test_without_proc_the_package_is_made_and_a_killed_ones_file_removed_later(self):
        setup = self.installer("Setup.exe", 0)
        with open(setup, "r+b") as installer:
            installer.truncate(1024 * MIB)  # sparse: a long write of real bytes
        conversion = subprocess.Popen([*WITHOUT_PROC, KESTROW, "-i", setup, "-o", self.output])
        while not any(entry.stat().st_size > MIB for entry in self.output.iterdir()):
            self.assertIsNone(conversion.poll(), "the conversion ended before it was killed")
        conversion.kill()
        conversion.wait()
        [left] = os.listdir(self.output)
        self.assertRegex(left, r"^~kestrow-[0-9a-f]{12}\.tmp$")
        small = self.installer("Small.exe")
        self.assertEqual(self.run_kestrow("-i", small, "-o", self.output, prefix=WITHOUT_PROC),
                         (0, f"{self.output / 'Small.msi'}\n", ""))
        self.assertEqual(os.listdir(self.output), ["Small.msi"])
        self.assertHolds(self.output / "Small.msi", small)


class WriteErrorsAtTheEnd(NativeCase):
    """A share that reports a failed write only when the data is flushed or the file closed."""

    def test_a_failed_flush_or_close_keeps_the_old_package(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a file system in user space needs root")
        before = self.old_package()
        setup = self.installer("Setup.exe", 3 * MIB)
        drive = self.work / "drive"
        drive.mkdir()
        for failing in ("fsync", "flush"):
            with self.subTest(failing=failing), \
                    slow_drive.mounted(self.output, drive, 1 << 30, failing):
                self.assertEqual(self.run_kestrow("-i", setup, "-o", drive),
                                 (1, "", f"kestrow: {drive / 'Setup.msi'}: cannot be written: "
                                  "Input/output error (error 1627)\n"))
            self.assertEqual(folder_digests(self.output), before)


class Replacing(NativeCase):
    def test_the_old_packages_permissions_and_owner_stay(self):
        if os.geteuid() != 0:
            self.skipTest("giving a file to another user needs root")
        setup = self.installer()
        package = self.output / "Setup.msi"
        package.write_bytes(b"old")
        os.chown(package, NOBODY, NOBODY)
        os.chmod(package, 0o640)
        self.assertEqual(self.run_kestrow("-i", setup, "-o", self.output)[0], 0)
        status = package.stat()
        self.assertEqual((status.st_mode & 0o7777, status.st_uid, status.st_gid),
                         (0o640, NOBODY, NOBODY))
        self.assertHolds(package, setup)

    def test_the_largest_installer_makes_a_package_every_reader_takes(self):
        old = self.installer("Big.exe", 5000)
        self.assertEqual(self.run_kestrow("-i", old, "-o", self.output)[0], 0)
        before = folder_digests(self.output)
        setup = self.work / "Big.exe"
        with open(setup, "r+b") as installer:  # sparse
            installer.truncate(LARGEST_INSTALLER + 1)
        self.assertEqual(self.run_kestrow("-i", setup, "-o", self.output),
                         (1, "", f"kestrow: {setup}: the installer is larger than a package can "
                          "hold (at most 2,130,030,592 bytes)\n"))
        self.assertEqual(folder_digests(self.output), before)
        with open(setup, "r+b") as installer:
            installer.truncate(LARGEST_INSTALLER)
        self.assertEqual(self.run_kestrow("-i", setup, "-o", self.output)[0], 0)
        checked = subprocess.run(["7z", "t", "-tCompound", str(self.output / "Big.msi")],
                                 capture_output=True, text=True)
        self.assertIn("Everything is Ok", checked.stdout)
        self.assertEqual(checked.returncode, 0)


class IdentityPackages(NativeCase):
    def property_and_code(self, package):
        """The package's properties, and its package code from the summary information."""
        dump = readback.dump_with_msitools(package)
        rows = dict(line.split("\t")[1:3] for line in dump.splitlines()
                    if line.startswith("row\t") and line.count("\t") == 2)
        code = next(line.split("\t")[3] for line in dump.splitlines()
                    if line.startswith("summary\t9\t"))
        return rows, code

    def test_the_same_inputs_give_the_same_bytes_and_a_new_version_new_codes(self):
        setup = self.installer()
        packages = {}
        for name, version in (("a", "1.2.3"), ("b", "1.2.3"), ("c", "1.2.4")):
            code, printed, errors = self.run_kestrow("-i", setup, "-o", self.output, "-n", name,
                                                     "--product-name", "Fabrikam Agent",
                                                     "--product-version", version)
            self.assertEqual((code, errors), (0, ""))
            packages[name] = pathlib.Path(printed.strip())
        self.assertEqual(packages["a"].read_bytes(), packages["b"].read_bytes())
        self.assertHolds(packages["a"], setup)
        first, first_code = self.property_and_code(packages["a"])
        newer, newer_code = self.property_and_code(packages["c"])
        self.assertEqual((first["ProductName"], first["ProductVersion"], newer["ProductVersion"]),
                         ("Fabrikam Agent", "1.2.3", "1.2.4"))
        self.assertEqual(first["UpgradeCode"], newer["UpgradeCode"])
        self.assertNotEqual(first["ProductCode"], newer["ProductCode"])
        self.assertNotEqual(first_code, newer_code)

    def test_from_installer_reads_the_version_resource_and_options_win(self):
        kestrow_exe = pathlib.Path(os.environ["KESTROW_EXE"])
        code, printed, errors = self.run_kestrow("-i", kestrow_exe, "-o", self.output,
                                                 "--from-installer", "--manufacturer", "Fabrikam")
        self.assertEqual((code, errors), (0, ""))
        properties, _ = self.property_and_code(printed.strip())
        self.assertEqual((properties["ProductName"], properties["Manufacturer"],
                          properties["ProductVersion"]), ("Corvane Kestrow", "Fabrikam", VERSION))

    def test_faults_of_the_identity_options(self):
        setup = self.installer()
        convert = ("-i", setup, "-o", self.output)
        self.assertEqual(self.run_kestrow(*convert, "--product-version", "1.2"),
                         (2, "", 'kestrow: --product-version: not a version the Windows '
                          'Installer takes: "1.2" (A.B.C, A and B at most 255, C at most '
                          '65535)\n'))
        self.assertEqual(self.run_kestrow(*convert, "--from-installer"),
                         (1, "", f"kestrow: {setup}: not a Windows program, so it has no "
                          "version resource\n"))
        self.assertEqual(os.listdir(self.output), [])
        code, printed, errors = self.run_kestrow(*convert, "--product-version", "1.2.3.4")
        self.assertEqual((code, errors), (0, 'kestrow: warning: --product-version: the Windows '
                                             'Installer ignores the fourth field of "1.2.3.4"\n'))


if __name__ == "__main__":
    unittest.main()
