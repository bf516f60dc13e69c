"""The packages of kestrow, the native command line: byte for byte those of Kestrow.exe, and
on a file system that shares blocks between files, sharing the installer's."""

import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import wine_session
from wine_session import run_from_console, windows_path

sys.path.insert(0, str(pathlib.Path(__file__).parent / "readback"))
import readback  # noqa: E402
from compound_file import CompoundFile  # noqa: E402

KESTROW = pathlib.Path(os.environ["KESTROW_NATIVE"])
KESTROW_EXE = pathlib.Path(os.environ["KESTROW_EXE"])
MSI_DUMP = pathlib.Path(os.environ["KESTROW_MSI_DUMP"])
KIB, MIB = 1024, 1024 ** 2


def setUpModule():
    wine_session.ensure_prefix()
    os.environ["WINEPREFIX"] = wine_session.wine_environment()["WINEPREFIX"]


def corvane_offset(package):
    """Where the installer's stream starts in the package file."""
    container = CompoundFile(pathlib.Path(package).read_bytes())
    entry = next(entry for entry in container.entries if entry.name == "Binary.Corvane")
    return (entry.start_sector + 1) * container.sector_size


def native(installer, folder):
    subprocess.run([KESTROW, "-i", installer, "-o", folder], check=True, capture_output=True)
    return pathlib.Path(folder) / (pathlib.Path(installer).stem + ".msi")


class SameAsKestrowExe(unittest.TestCase):
    def setUp(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-same-"))
        self.addCleanup(shutil.rmtree, self.work)
        self.kestrow_exe = wine_session.copy_program(KESTROW_EXE, self.work)

    def test_both_programs_write_the_same_bytes(self):
        sizes = {"Empty.exe": 0, "One.exe": 1, "Below.exe": 4 * KIB - 1, "Page.exe": 4 * KIB,
                 "Above.exe": 4 * KIB + 1, "Mid.exe": 70_000, "Large.exe": MIB + 3,
                 "Ünïcode 名前.exe": 9_000}
        for name, size in sizes.items():
            with self.subTest(installer=name):
                folder = self.work / str(size)
                (folder / "linux").mkdir(parents=True)
                (folder / "windows").mkdir()
                installer = folder / name
                installer.write_bytes(os.urandom(size))
                package = native(installer, folder / "linux")
                code, _ = run_from_console(self.kestrow_exe, "/i", windows_path(installer),
                                           "/o", windows_path(folder / "windows"))
                self.assertEqual(code, 0)
                self.assertEqual(package.read_bytes(),
                                 (folder / "windows" / package.name).read_bytes())
                if size >= 4 * KIB:
                    self.assertEqual(corvane_offset(package) % (4 * KIB), 0)


class SharedBlocks(unittest.TestCase):
    """On XFS made with reflink, in a loop image: the package shares the installer's blocks
    and still reads back with its exact bytes."""

    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise unittest.SkipTest("mounting a loop image needs root")
        cls.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-xfs-"))
        image, cls.mount = cls.work / "xfs.img", cls.work / "mount"
        cls.mount.mkdir()
        with open(image, "wb") as file:
            file.truncate(512 * MIB)
        subprocess.run(["mkfs.xfs", "-q", "-m", "reflink=1", image], check=True)
        subprocess.run(["mount", "-o", "loop", image, cls.mount], check=True)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["umount", cls.mount], check=True)
        shutil.rmtree(cls.work)

    def shared_bytes(self, path):
        """How many of the file's bytes lie in extents that filefrag marks as shared."""
        report = subprocess.run(["filefrag", "-v", "-b4096", path], check=True,
                                capture_output=True, text=True).stdout
        # One line an extent: "n: logical: physical: length: [expected:] flags", the flags
        # empty for an extent written in place.
        lengths = [int(match[1]) for match in
                   re.finditer(r"^ *\d+:.*?: *(\d+):.*shared", report, re.MULTILINE)]
        return 4096 * sum(lengths)

    def test_the_package_shares_the_installer_blocks(self):
        installer = self.mount / "Setup.exe"
        installer.write_bytes(os.urandom(64 * MIB + 100))
        (self.mount / "out").mkdir()
        package = native(installer, self.mount / "out")
        self.assertGreaterEqual(self.shared_bytes(package), 64 * MIB)
        cell = readback.file_stream_cell(installer)
        self.assertEqual(readback.corvane_stream(readback.dump_with_msitools(package)), cell)
        self.assertEqual(readback.corvane_stream(readback.dump_with_wine_msi(MSI_DUMP, package)),
                         cell)


if __name__ == "__main__":
    unittest.main()
