"""Packages made by Kestrow.exe, installed, repaired, removed, administered and advertised by
the Windows Installer under Wine, around a probe installer that records how it was started
and exits with the code a test chooses."""

import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

import probe_package
import wine_session
from probe_package import PRODUCT_CODE, SILENT
from wine_session import msiexec, windows_path

TEMPLATE = pathlib.Path(os.environ["KESTROW_TEMPLATE"])
UNINSTALL_ROOT = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
# A failed installation: the Windows Installer returns 1603 (ERROR_INSTALL_FAILURE); Wine's
# returns 1627 (ERROR_FUNCTION_FAILED) when a custom action fails.
INSTALL_FAILURE_CODES = {1603, 1627}
# Wine's msiexec supports neither administrative installations nor advertisement; it returns
# 1626 (ERROR_FUNCTION_NOT_CALLED) without running any sequence.
NOT_SUPPORTED_BY_WINE = 1626


def setUpModule():
    wine_session.ensure_prefix()


def registry_values(product_code=PRODUCT_CODE):
    """The product's Uninstall values in the 32-bit view, where a package for the Intel
    platform registers; None when the product is not registered."""
    completed = subprocess.run(["wine", "reg", "query", UNINSTALL_ROOT + product_code, "/reg:32"],
                               env=wine_session.wine_environment(),
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    if completed.returncode != 0:
        return None
    values = {}
    for line in completed.stdout.decode("utf-8", "replace").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2] if len(parts) == 3 else ""
    return values


def log_text(path):
    data = path.read_bytes()
    return data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("utf-8", "replace")


def related_product(package, folder, version):
    """A copy of package posing as another product of the same family: its own product and
    package codes, the same upgrade code, and the given version."""
    related = folder / ("related-%s.msi" % version)
    shutil.copyfile(package, related)
    update = "UPDATE Property SET Value='%s' WHERE Property='%s'"
    subprocess.run(["msibuild", str(related),
                    "-q", update % (version, "ProductVersion"),
                    "-q", update % ("{8D3C1E55-2A41-4C7B-9E0F-6B5A4D3C2B1A}", "ProductCode"),
                    "-s", "Related product", "Tellwright Corporation", "Intel;1033",
                    "{3F2E1D0C-7B6A-4958-8374-A1B2C3D4E5F6}"],
                   check=True, capture_output=True)
    return related


class InstallerSession(unittest.TestCase):
    """One package around the probe; whatever a test installs is removed afterwards."""

    def setUp(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-install-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.trace = probe_package.Trace()
        self.package = probe_package.build(self.work)
        self.installed = []

    def tearDown(self):
        self.uninstall_all()
        self.trace.remove()

    def uninstall_all(self):
        self.trace.set_exit_code(0)
        for package in reversed(self.installed):
            msiexec("/x", windows_path(package), "/qn")
        self.installed = []
        self.trace.take_runs()

    def install(self, package, *options):
        """msiexec /i with a verbose log; returns (exit code, log text)."""
        log = self.work / ("%s.log" % package.stem)
        self.installed.append(package)
        code = msiexec("/i", windows_path(package), *options, "/l*v", windows_path(log))
        return code, log_text(log) if log.exists() else ""


class UnattendedInstallation(InstallerSession):
    def test_runs_the_installer_once_and_registers_the_product_for_all_users(self):
        code, log = self.install(self.package, "/qn")
        self.assertEqual(code, 0, log[-3000:])
        self.assertEqual(self.trace.take_runs(), [SILENT])
        values = registry_values()
        self.assertIsNotNone(values, "the product is not registered")
        self.assertEqual(values.get("DisplayName"), "Corvane Installer")
        self.assertEqual(values.get("Publisher"), "Tellwright Corporation")
        self.assertEqual(values.get("DisplayVersion"), "7.0.0.0")
        self.assertEqual(values.get("NoRemove"), "0x1")
        self.assertTrue(values.get("InstallLocation", "").rstrip("\\").endswith("\\Corvane"),
                        values.get("InstallLocation"))
        self.assertIn("ALLUSERS = 1", log.replace("'", "").replace("\"", ""))

    def test_an_installer_that_fails_fails_the_installation_at_once(self):
        self.trace.set_exit_code(3)
        code, log = self.install(self.package, "/qn")
        self.assertIn(code, INSTALL_FAILURE_CODES)
        self.assertEqual(self.trace.take_runs(), [SILENT])
        actions = self.action_log(log)
        self.assertIn("Action start LaunchCorvane", actions)
        self.assertNotIn("Action start CostInitialize", actions)
        if code == 1603:  # Wine reports the failure without the message
            self.assertIn("1722", log)
        self.assertIsNone(registry_values(), "a failed installation registered the product")

    def test_the_template_itself_cannot_start_an_installer(self):
        template = self.work / "template.msi"
        shutil.copyfile(TEMPLATE, template)
        self.installed.append(template)
        code, reported = wine_session.msiexec_reporting("/i", windows_path(template), "/qn",
                                                        wine_debug="err+msi")
        if code == 0:
            # Wine logs that it cannot start the empty program (193: not a valid application)
            # and goes on as if the action had succeeded, where Windows fails with 1721.
            self.assertRegex(reported, r"err:msi:execute_command unable to execute command 193")
        else:
            self.assertIn(code, INSTALL_FAILURE_CODES)
            self.assertIsNone(registry_values())

    @staticmethod
    def action_log(log):
        """The log's action lines, time stamps removed."""
        return "\n".join(re.sub(r"^(Action \w+) [0-9:]+: ", r"\1 ", line)
                         for line in log.splitlines() if line.startswith("Action"))


class Maintenance(InstallerSession):
    def setUp(self):
        super().setUp()
        code, _ = self.install(self.package, "/qn")
        self.assertEqual(code, 0)
        self.assertEqual(self.trace.take_runs(), [SILENT])

    def test_repair_runs_the_installer_again(self):
        # What "msiexec /fa" asks for; Wine's msiexec does not implement /f itself.
        self.assertEqual(msiexec("/i", windows_path(self.package), "REINSTALL=ALL",
                                 "REINSTALLMODE=omus", "/qn"), 0)
        self.assertEqual(self.trace.take_runs(), [SILENT])
        self.assertIsNotNone(registry_values())

    def test_a_second_package_is_a_maintenance_run_of_the_first(self):
        # Every package has the same product and package codes, so the Windows Installer runs
        # its cached copy of the first package: the probe again, never the second package's
        # installer (exit-status.exe, which would leave no trace).
        other = self.work / "other"
        other.mkdir()
        second = probe_package.build(other, os.environ["KESTROW_EXIT_STATUS"])
        code, log = self.install(second, "/qn")
        self.assertEqual(code, 0, log[-3000:])
        self.assertEqual(self.trace.take_runs(), [SILENT])
        self.assertIn("Installed = 1", log.replace("'", "").replace("\"", ""))

    def test_removal_runs_the_installer_again_and_unregisters_the_product(self):
        self.assertEqual(msiexec("/x", windows_path(self.package), "/qn"), 0)
        self.assertEqual(self.trace.take_runs(), [SILENT])
        self.assertIsNone(registry_values())


class AdministrationAndAdvertisement(InstallerSession):
    def test_administrative_installation_never_runs_the_installer(self):
        target = self.work / "admin-image"
        code = msiexec("/a", windows_path(self.package), "/qn", "TARGETDIR=" + windows_path(target))
        self.assertIn(code, {0, NOT_SUPPORTED_BY_WINE})
        self.assertEqual(self.trace.take_runs(), [])

    def test_advertisement_never_runs_the_installer(self):
        self.installed.append(self.package)
        code = msiexec("/jm", windows_path(self.package), "/qn")
        # Wine's msiexec answers /jm with 120 (not implemented).
        self.assertIn(code, {0, 120})
        self.assertEqual(self.trace.take_runs(), [])


class RelatedProducts(InstallerSession):
    def install_related(self, version):
        code, _ = self.install(related_product(self.package, self.work, version), "/qn")
        self.assertEqual(code, 0)
        self.trace.take_runs()  # the related product's own run is not what these tests look at

    def test_a_newer_related_product_stops_the_installation_after_the_installer_ran(self):
        self.install_related("7.0.1.0")
        code, log = self.install(self.package, "/qn")
        self.assertIn(code, INSTALL_FAILURE_CODES)
        self.assertEqual(self.trace.take_runs(), [SILENT])
        self.assertIn("ISPreventDowngrade", log)
        self.assertIsNone(registry_values())

    def test_related_products_that_are_not_newer_do_not_stop_it(self):
        # The Windows Installer compares product versions by their first three fields only,
        # so 7.0.0.1 counts as the same version as 7.0.0.0.
        for version in ("7.0.0.0", "7.0.0.1"):
            with self.subTest(version=version):
                self.install_related(version)
                code, log = self.install(self.package, "/qn")
                self.assertEqual(code, 0, log[-3000:])
                self.assertEqual(self.trace.take_runs(), [SILENT])
                self.assertIsNotNone(registry_values())
                self.uninstall_all()

def identity_package(folder, name, *options):
    """A package of its own product around the probe, made by the native kestrow; returns its
    path and product code."""
    completed = subprocess.run([os.environ["KESTROW_NATIVE"], "-i", str(probe_package.PROBE),
                                "-o", str(folder), "-n", name, *options],
                               capture_output=True, text=True, timeout=120)
    if completed.returncode != 0:
        raise AssertionError("kestrow failed: %r" % completed.stderr)
    package = pathlib.Path(completed.stdout.strip())
    properties = subprocess.run(["msiinfo", "export", str(package), "Property"], check=True,
                                capture_output=True, text=True).stdout
    return package, re.search(r"^ProductCode\t(\S+)", properties, re.MULTILINE).group(1)


def product_version(version, arguments, *options):
    return ("--product-name", "Fabrikam Agent", "--manufacturer", "Fabrikam",
            "--product-version", version, "--install-arguments", arguments, *options)


class PackagesOfTheirOwn(InstallerSession):
    def install_quietly(self, package):
        code, log = self.install(package, "/qn")
        self.assertEqual(code, 0, log[-3000:])

    def test_two_products_install_side_by_side(self):
        alpha, alpha_code = identity_package(self.work, "alpha", "--product-name", "Alpha",
                                             "--install-arguments", "/alpha")
        beta, beta_code = identity_package(self.work, "beta", "--product-name", "Beta",
                                           "--install-arguments", "/beta")
        self.install_quietly(alpha)
        self.install_quietly(beta)
        self.assertEqual(self.trace.take_runs(), ["/alpha", "/beta"])
        self.assertEqual(registry_values(alpha_code).get("DisplayName"), "Alpha")
        self.assertEqual(registry_values(beta_code).get("DisplayName"), "Beta")
        self.assertIsNone(registry_values(), "the template's product was registered")

    def test_a_newer_version_replaces_the_older_without_running_it_again(self):
        old, old_code = identity_package(self.work, "agent-1", *product_version("1.0.0", "/v1"))
        new, new_code = identity_package(self.work, "agent-2", *product_version("2.0.0", "/v2"))
        self.install_quietly(old)
        self.install_quietly(new)
        self.assertEqual(self.trace.take_runs(), ["/v1", "/v2"])
        self.assertIsNone(registry_values(old_code), "the older version is still registered")
        values = registry_values(new_code)
        self.assertEqual((values.get("DisplayVersion"), values.get("Publisher")),
                         ("2.0.0", "Fabrikam"))

    def test_a_removal_for_an_upgrade_does_not_run_the_uninstall_arguments(self):
        # Windows sets UPGRADINGPRODUCTCODE in the removal that a newer version starts; Wine's
        # RemoveExistingProducts starts "msiexec /i {code} REMOVE=ALL" without it, so the
        # removal is asked for here as Windows asks for it.
        old, old_code = identity_package(self.work, "agent-1",
                                         *product_version("1.0.0", "/v1", "--uninstall-arguments",
                                                          "/remove-v1"))
        self.install_quietly(old)
        self.trace.take_runs()
        self.assertEqual(msiexec("/x", windows_path(old), "/qn",
                                 "UPGRADINGPRODUCTCODE={6C3B1A2E-0D4F-4E5A-9B8C-7D6E5F4A3B2C}"), 0)
        self.assertEqual(self.trace.take_runs(), [])
        self.assertIsNone(registry_values(old_code))
        self.installed = []

    def test_an_older_version_stops_before_its_installer_runs(self):
        new, new_code = identity_package(self.work, "agent-2", *product_version("2.0.0", "/v2"))
        old, old_code = identity_package(self.work, "agent-1", *product_version("1.0.0", "/v1"))
        self.install_quietly(new)
        self.trace.take_runs()
        code, log = self.install(old, "/qn")
        self.assertIn(code, INSTALL_FAILURE_CODES)
        self.assertIn("ISPreventDowngrade", log)
        self.assertEqual(self.trace.take_runs(), [])
        self.assertIsNone(registry_values(old_code))
        self.assertIsNotNone(registry_values(new_code))

    def test_removal_runs_the_uninstall_arguments_only_when_given(self):
        for options, runs in ((("--uninstall-arguments", "/uninstall /silent"),
                               ["/uninstall /silent"]), ((), [])):
            with self.subTest(options=options):
                package, code = identity_package(self.work, "removable", "--product-name",
                                                 "Removable", *options)
                self.install_quietly(package)
                self.assertEqual(self.trace.take_runs(), [SILENT])
                self.assertEqual(registry_values(code).get("NoRemove"),
                                 None if options else "0x1")
                self.assertEqual(msiexec("/x", windows_path(package), "/qn"), 0)
                self.assertEqual(self.trace.take_runs(), runs)
                self.assertIsNone(registry_values(code))
                self.installed = []


if __name__ == "__main__":
    unittest.main()
