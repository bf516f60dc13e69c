"""Both package readers, msitools and Wine's msi.dll, must tell the same story about a
database, and must notice when a package differs from the template.

Needs KESTROW_TEMPLATE (the generated template), KESTROW_MSI_DUMP (msi-dump.exe) and
KESTROW_PROBE (probe.exe, stored as an installer). Wine runs in WINEPREFIX when it is set,
otherwise in a prefix made for this run."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "readback"))
import readback  # noqa: E402
import validation  # noqa: E402
import wine_session  # noqa: E402

EMPTY_STREAM = "stream:0:e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"


def setUpModule():
    global TEMPLATE, MSI_DUMP, PROBE, WORK_DIR, OWN_PREFIX
    TEMPLATE = os.environ["KESTROW_TEMPLATE"]
    MSI_DUMP = os.environ["KESTROW_MSI_DUMP"]
    PROBE = os.environ["KESTROW_PROBE"]
    WORK_DIR = tempfile.mkdtemp(prefix="kestrow-readback-")
    OWN_PREFIX = not os.environ.get("WINEPREFIX")
    if OWN_PREFIX:
        os.environ["WINEPREFIX"] = os.path.join(WORK_DIR, "wine")
    wine_session.ensure_prefix()


def tearDownModule():
    if OWN_PREFIX:  # a prefix handed in may still be in use by other tests
        wine_session.stop_server()
    shutil.rmtree(WORK_DIR, ignore_errors=True)


def package_from_template(name, *msibuild_arguments):
    """A copy of the template changed with msibuild, as a package writer might change it."""
    path = os.path.join(WORK_DIR, name)
    shutil.copyfile(TEMPLATE, path)
    subprocess.run(["msibuild", path] + list(msibuild_arguments), capture_output=True,
                   check=True)
    return path


def both_dumps(db):
    return readback.dump_with_msitools(db), readback.dump_with_wine_msi(MSI_DUMP, db)


class TemplateReadback(unittest.TestCase):
    def test_readers_agree_on_the_template(self):
        linux, wine = both_dumps(TEMPLATE)
        self.assertEqual(linux, wine)
        self.assertIn("table\tBinary\ncolumns\tName\tData\ntypes\ts72\tv0\nkeys\tName\n", linux)
        self.assertEqual(readback.corvane_stream(linux), EMPTY_STREAM)
        self.assertIn("summary\t1\ti2\t1252\n", linux)
        self.assertIn("summary\t9\tstring\t{D5BA1804-9909-40D0-ABEB-4FA0C2DD2DCD}\n", linux)
        self.assertIn("table\tPatch\n", linux)  # empty tables survive


class PackageReadback(unittest.TestCase):
    def test_package_differs_from_template_only_in_the_installer_stream(self):
        package = package_from_template("probe.msi", "-a", "Binary.Corvane", PROBE)
        template_dump = readback.dump_with_msitools(TEMPLATE)
        linux, wine = both_dumps(package)
        self.assertEqual(linux, wine)
        self.assertEqual(readback.without_corvane_stream(linux),
                         readback.without_corvane_stream(template_dump))
        self.assertEqual(readback.corvane_stream(linux), readback.file_stream_cell(PROBE))

    def test_both_readers_notice_a_changed_row(self):
        package = package_from_template(
            "changed.msi", "-q",
            "UPDATE `Property` SET `Value` = '7.0.0.1' WHERE `Property` = 'ProductVersion'")
        template_dump = readback.dump_with_msitools(TEMPLATE)
        for dump in both_dumps(package):
            self.assertNotEqual(readback.without_corvane_stream(dump),
                                readback.without_corvane_stream(template_dump))
            self.assertIn("row\tProductVersion\t7.0.0.1\n", dump)


class IdentityPackageReadback(unittest.TestCase):
    """A package of its own product, made by the native kestrow: both readers read the same
    database, every row passes the package's own _Validation table, and what differs from
    the template is the identity's rows and summary."""

    def test_both_readers_read_it_and_every_row_is_valid(self):
        made = subprocess.run(
            [os.environ["KESTROW_NATIVE"], "-i", PROBE, "-o", WORK_DIR, "-n", "identity",
             "--product-name", "Fabrikam Agent", "--manufacturer", "Fabrikam",
             "--product-version", "2.1.3", "--install-arguments", "/S /D=[ProgramFilesFolder]",
             "--uninstall-arguments", "/uninstall"], capture_output=True, text=True, check=True)
        package = made.stdout.strip()
        linux, wine = both_dumps(package)
        self.assertEqual(linux, wine)
        tables = {name: readback.read_table(package, name)
                  for name in readback.table_names(package)}
        self.assertEqual(validation.validation_errors(tables), [])
        changed = set(linux.splitlines()) - set(readback.dump_with_msitools(TEMPLATE).splitlines())
        self.assertTrue(all(line.startswith(("row\t", "summary\t")) for line in changed), changed)
        for line in ("row\tProductName\tFabrikam Agent", "row\tProductVersion\t2.1.3",
                     "row\tLaunchCorvaneRemoval\t2\tCorvane\t/uninstall\t",
                     "summary\t4\tstring\tFabrikam"):
            self.assertIn(line, changed)


if __name__ == "__main__":
    unittest.main()
