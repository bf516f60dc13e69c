"""A conversion that does not finish leaves the output folder as it was.

Kestrow.exe runs from cmd.exe under Wine, as in test_console_conversion, and is killed
part-way, runs out of space, or meets files that another program holds. Each case then
reads the whole folder: the old package byte for byte (or none) and no other file.
"""

import contextlib
import hashlib
import os
import pathlib
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

import wine_session
from console_output import PROMPT, console_bytes, replace_failure_text, result_text
from wine_session import run_from_console, windows_path

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
HOLD_FILE = pathlib.Path(os.environ["KESTROW_HOLD_FILE"])
MIB = 1024 ** 2
GIB = 1024 ** 3
ERROR_OPEN_FAILED = 110
ERROR_DISK_FULL = 112


def setUpModule():
    wine_session.ensure_prefix()
    os.environ["WINEPREFIX"] = wine_session.wine_environment()["WINEPREFIX"]


def folder_digests(folder):
    """Every entry of the folder by name, files as SHA-256: short to compare and to show."""
    listing = {}
    for entry in pathlib.Path(folder).iterdir():
        if entry.is_file():
            with open(entry, "rb") as data:
                listing[entry.name] = hashlib.file_digest(data, "sha256").hexdigest()
        else:
            listing[entry.name] = "not a file"
    return listing


class SafeBuildCase(unittest.TestCase):
    def setUp(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-safe-"))
        self.addCleanup(shutil.rmtree, self.work)
        self.kestrow = wine_session.copy_program(KESTROW, self.work)
        self.output = self.folder("out")

    def folder(self, name):
        path = self.work / name
        path.mkdir()
        return path

    def installer(self, name, size=70_000):
        path = self.work / "in" / name
        path.parent.mkdir(exist_ok=True)
        path.write_bytes(os.urandom(size))
        return path

    def arguments(self, installer, folder=None):
        return ["/i", windows_path(installer), "/o", windows_path(folder or self.output)]

    def assertConverted(self, installer, folder=None):
        code, printed = run_from_console(self.kestrow, *self.arguments(installer, folder))
        self.assertEqual(printed, console_bytes(result_text(0) + PROMPT))
        self.assertEqual(code, 0)

    def old_package(self, installer):
        """A good package of an earlier build of the installer, which a new build replaces."""
        self.assertConverted(installer)
        installer.write_bytes(os.urandom(installer.stat().st_size))
        return folder_digests(self.output)


class KilledPartWay(SafeBuildCase):
    def test_killed_conversion_leaves_the_old_package(self):
        setup = self.installer("Big.exe")
        old = self.old_package(setup)
        old_bytes = (self.output / "Big.msi").read_bytes()
        # Sparse: free to make, while the package is a real write of over 1 GiB.
        with open(setup, "r+b") as installer:
            installer.truncate(GIB)
        # The package of a 1 GiB installer is about 1032 MiB.
        for point, written in (("first change", 0), ("past 256 MiB", 256 * MIB),
                               ("near the end", 1008 * MIB)):
            with self.subTest(point=point):
                with tempfile.TemporaryFile() as printed:
                    conversion = subprocess.Popen(
                        ["wine", "cmd", "/c", windows_path(self.kestrow), *self.arguments(setup)],
                        env=wine_session.wine_environment(), stdout=printed,
                        stderr=subprocess.DEVNULL)
                    self.kill_when_written(conversion, written)
                    conversion.wait(timeout=120)
                    printed.seek(0)
                    self.assertEqual(printed.read(), b"", "the kill came after the outcome")
                # The server closes what the killed program held once it sees it gone.
                wine_session.settled(lambda: folder_digests(self.output) == old)
                self.assertEqual(folder_digests(self.output), old)
                (self.output / "Big.msi").write_bytes(old_bytes)  # for the next point

    def kill_when_written(self, conversion, written):
        """SIGKILLs our Kestrow.exe once a new file in the folder holds `written` bytes."""
        process = None
        while conversion.poll() is None:
            process = process or self.kestrow_process()
            sizes = []
            for entry in os.scandir(self.output):
                if entry.name != "Big.msi":
                    with contextlib.suppress(FileNotFoundError):  # renamed meanwhile
                        sizes.append(entry.stat().st_size)
            if process and sizes and max(sizes) >= written:
                os.kill(process, signal.SIGKILL)
                return
            time.sleep(0.001)
        self.fail(f"Kestrow.exe ended before a new file held {written} bytes")

    def kestrow_process(self):
        """Wine starts Windows programs under init, so ours is found by its command line,
        which starts with this test's own copy of the program."""
        program = windows_path(self.kestrow).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            with contextlib.suppress(OSError):
                if pathlib.Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[0] == program:
                    return int(pid)
        return None


# Run inside a private mount namespace: the small drive is mounted there, Wine's server and
# the program start there, and what the drive holds afterwards is copied out before the
# namespace, and the drive with it, goes away.
SMALL_DRIVE_SCRIPT = """
size=$1 drive=$2 seed=$3 after=$4; shift 4
mount -t tmpfs -o size="$size" kestrow-small "$drive" && cp -R "$seed/." "$drive/" || exit 125
"$@"; status=$?
wineserver -w
cp -R "$drive/." "$after/"
exit $status
"""


class SmallOutputDrive(SafeBuildCase):
    @classmethod
    def setUpClass(cls):
        # A user namespace lets an unprivileged user mount a tmpfs of their own.
        probe = subprocess.run(["unshare", "-rm", "mount", "-t", "tmpfs", "kestrow-probe",
                                tempfile.gettempdir()], capture_output=True, text=True)
        if probe.returncode != 0:
            raise unittest.SkipTest(f"no private mount namespace here: {probe.stderr.strip()}")

    def setUp(self):
        super().setUp()
        self.drive = self.folder("drive")
        link = pathlib.Path(os.environ["WINEPREFIX"]) / "dosdevices" / "k:"
        with contextlib.suppress(FileNotFoundError):  # left by a run that was stopped
            link.unlink()
        link.symlink_to(self.drive)
        self.addCleanup(link.unlink)

    def convert_to_drive(self, size, installer, seed):
        """Converts onto drive K: of the given size that holds the files of seed first;
        returns the exit code, the bytes printed and what K: held afterwards."""
        after = self.folder("after")
        wine_session.stop_server()  # a server started outside would not see the drive
        code, printed, _ = wine_session.run_to_files(
            ["unshare", "-rm", "sh", "-c", SMALL_DRIVE_SCRIPT, "sh", size, str(self.drive),
             str(seed), str(after), "wine", "cmd", "/c", windows_path(self.kestrow), "/i",
             windows_path(installer), "/o", "K:\\"])
        wine_session.start_server()
        return code, printed, folder_digests(after)

    def test_drive_with_less_room_than_the_template(self):
        code, printed, after = self.convert_to_drive("256k", self.installer("Setup.exe"),
                                                     self.folder("empty"))
        self.assertEqual((code, printed), (ERROR_DISK_FULL,
                                           console_bytes(result_text(ERROR_DISK_FULL) + PROMPT)))
        self.assertEqual(after, {})

    def test_drive_filling_up_keeps_the_old_package(self):
        setup = self.installer("Setup.exe")
        old = self.old_package(setup)
        setup.write_bytes(os.urandom(8 * MIB))
        code, printed, after = self.convert_to_drive("4m", setup, self.output)
        self.assertEqual((code, printed), (ERROR_DISK_FULL,
                                           console_bytes(result_text(ERROR_DISK_FULL) + PROMPT)))
        self.assertEqual(after, old)


class HeldByAnotherProgram(SafeBuildCase):
    @contextlib.contextmanager
    def held(self, path, access, share):
        """Another Wine program holds path open while the block runs."""
        holder = subprocess.Popen(["wine", str(HOLD_FILE), windows_path(path), access, share],
                                  env=wine_session.wine_environment(), stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(holder.stdout.readline().strip(), b"held")
            yield
        finally:
            # Only the line lets go: Wine's services share the pipes and keep them open.
            with contextlib.suppress(BrokenPipeError):  # a holder that could not open it
                holder.stdin.write(b"\n")
                holder.stdin.close()
            holder.wait(timeout=60)
            holder.stdout.close()

    def convert_while_held(self, installer):
        return run_from_console(self.kestrow, *self.arguments(installer))

    def test_package_held_with_full_sharing_is_kept_or_replaced_whole(self):
        setup = self.installer("Setup.exe")
        old = self.old_package(setup)
        reference = self.folder("reference")
        self.assertConverted(setup, reference)
        with self.held(self.output / "Setup.msi", "r", "rwd"):
            code, printed = self.convert_while_held(setup)
        package = windows_path(self.output / "Setup.msi")
        kept = (1, console_bytes(replace_failure_text(package) + result_text(1) + PROMPT), old)
        replaced = (0, console_bytes(result_text(0) + PROMPT), folder_digests(reference))
        self.assertIn((code, printed, folder_digests(self.output)), (kept, replaced))

    def test_package_held_without_delete_sharing_is_kept(self):
        setup = self.installer("Setup.exe")
        old = self.old_package(setup)
        package = self.output / "Setup.msi"
        with self.held(package, "r", "r"):
            code, printed = self.convert_while_held(setup)
        self.assertEqual(printed, console_bytes(
            replace_failure_text(windows_path(package)) + result_text(1) + PROMPT))
        self.assertEqual(code, 1)
        self.assertEqual(folder_digests(self.output), old)

    def test_installer_held_for_writing_is_not_read(self):
        setup = self.installer("Setup.exe")
        old = self.old_package(setup)
        with self.held(setup, "w", "rw"):
            code, printed = self.convert_while_held(setup)
        self.assertEqual(printed, console_bytes(result_text(ERROR_OPEN_FAILED) + PROMPT))
        self.assertEqual(code, ERROR_OPEN_FAILED)
        self.assertEqual(folder_digests(self.output), old)


class NotRegularFiles(SafeBuildCase):
    def test_a_device_or_a_pipe_is_refused_and_the_old_package_stays(self):
        zero = self.installer("zero")
        old = self.old_package(zero)
        pipe = self.work / "in" / "zero"
        pipe.unlink()
        os.mkfifo(pipe)  # with no writer
        for installer in ("Z:\\dev\\zero", windows_path(pipe)):
            with self.subTest(installer=installer):
                code, printed = run_from_console(self.kestrow, "/i", installer,
                                                 "/o", windows_path(self.output))
                self.assertEqual((code, printed), (ERROR_OPEN_FAILED, console_bytes(
                    result_text(ERROR_OPEN_FAILED) + PROMPT)))
                self.assertEqual(folder_digests(self.output), old)


class AbandonedPendingFiles(SafeBuildCase):
    def test_a_conversion_removes_what_a_dead_one_left_in_the_folder(self):
        setup = self.installer("Setup.exe")
        (self.output / "~kestrow-0123456789ab.tmp").write_bytes(os.urandom(5000))
        (self.output / "~kestrow-notours.tmp").write_bytes(b"kept")
        self.assertConverted(setup)
        self.assertEqual(sorted(os.listdir(self.output)), ["Setup.msi", "~kestrow-notours.tmp"])


class InstallerNames(SafeBuildCase):
    # The package does not depend on the installer's name, so a package made from a plain
    # short path is the reference for each.

    def test_wildcard_packages_the_file_it_matches(self):
        tool = self.installer("Tool.exe")
        (tool.parent / "Tool.txt").write_text("not matched")
        reference = self.folder("reference")
        self.assertConverted(tool, reference)
        code, printed = run_from_console(self.kestrow, "/i", windows_path(tool.parent) + "\\*.exe",
                                         "/o", windows_path(self.output))
        self.assertEqual((code, printed), (0, console_bytes(result_text(0) + PROMPT)))
        self.assertEqual(folder_digests(self.output), folder_digests(reference))

    def test_title_of_251_characters_makes_a_255_character_name(self):
        title = "Setup-" + "x" * 245
        setup = self.installer(title + ".exe")
        short = self.installer("Short.exe")
        short.write_bytes(setup.read_bytes())
        reference = self.folder("reference")
        self.assertConverted(short, reference)
        self.assertConverted(setup)
        self.assertEqual(folder_digests(self.output),
                         {title + ".msi": folder_digests(reference)["Short.msi"]})


class CompoundFileSoundness(SafeBuildCase):
    def test_7zip_finds_sound_packages_that_hold_the_installer(self):
        for size in (6_644_737, 14_902_273):
            with self.subTest(size=size):
                setup = self.installer(f"Size{size}.exe", size)
                self.assertConverted(setup)
                package = self.output / f"Size{size}.msi"
                checked = subprocess.run(["7z", "t", "-tCompound", str(package)],
                                         capture_output=True, text=True)
                self.assertIn("Everything is Ok", checked.stdout)
                self.assertNotIn("Warning", checked.stdout + checked.stderr)
                self.assertEqual(checked.returncode, 0)
                stream = subprocess.run(["7z", "e", "-so", "-tCompound", str(package),
                                         "Binary.Corvane"], capture_output=True, check=True)
                self.assertTrue(stream.stdout == setup.read_bytes(), "Binary.Corvane differs")


if __name__ == "__main__":
    unittest.main()
