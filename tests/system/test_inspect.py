"""kestrow inspect and kestrow extract, run as an administrator runs them: on sound packages,
on packages of their own product, on signed ones, on packages damaged in each way a compound
file can be, and on a package that another tool made."""

import hashlib
import json
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).parent / "readback"))
from compound_file import END_OF_CHAIN, FREE_SECTOR, CompoundFile  # noqa: E402

KESTROW = pathlib.Path(os.environ["KESTROW_NATIVE"])
PROBE = pathlib.Path(os.environ["KESTROW_PROBE"])
SAMPLE = pathlib.Path(os.environ["KESTROW_SAMPLE"])
SECTOR = 512
FREE = struct.pack("<I", FREE_SECTOR)


def run(*command):
    completed = subprocess.run(list(map(str, command)), capture_output=True, text=True,
                               errors="surrogateescape", timeout=300)
    return completed.returncode, completed.stdout, completed.stderr


class Package:
    """A package's bytes and where its compound file keeps each structure, for damaging it."""

    def __init__(self, path):
        self.data = bytearray(path.read_bytes())
        self.container = CompoundFile(bytes(self.data))
        self.installer = next(entry for entry in self.container.streams()
                              if entry.name == "Binary.Corvane")

    def chain(self, first):
        chain = [first]
        while self.container.fat[chain[-1]] != END_OF_CHAIN:
            chain.append(self.container.fat[chain[-1]])
        return chain

    def set_fat(self, sector, value):
        fat_sector = self.container.header.difat[sector // (SECTOR // 4)]
        offset = (fat_sector + 1) * SECTOR + sector % (SECTOR // 4) * 4
        self.data[offset:offset + 4] = struct.pack("<I", value)

    def entry_offset(self, entry):
        index = self.container.entries.index(entry)
        directory = self.chain(self.container.header.first_directory_sector)
        return (directory[index // 4] + 1) * SECTOR + index % 4 * 128

    def stream_offset(self, name, position):
        """Where the byte at position of a stream lies in the file."""
        entry = next(entry for entry in self.container.streams() if entry.name == name)
        if entry.size >= self.container.header.mini_stream_cutoff:
            sector = self.chain(entry.start_sector)[position // SECTOR]
            return (sector + 1) * SECTOR + position % SECTOR
        mini = self.container._mini_fat()
        number = entry.start_sector
        for _ in range(position // 64):
            number = mini[number]
        in_mini_stream = number * 64 + position % 64
        holder = self.chain(self.container.root.start_sector)[in_mini_stream // SECTOR]
        return (holder + 1) * SECTOR + in_mini_stream % SECTOR

    def write(self, path):
        path.write_bytes(bytes(self.data))
        return path


class InspectCase(unittest.TestCase):
    def setUp(self):
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="kestrow-inspect-"))
        self.addCleanup(shutil.rmtree, self.work)

    def build(self, installer=SAMPLE, *options):
        code, printed, errors = run(KESTROW, "-i", installer, "-o", self.work, *options)
        self.assertEqual(code, 0, errors)
        return pathlib.Path(printed.strip())

    def inspect(self, *packages):
        code, printed, errors = run(KESTROW, "inspect", "--json", *packages)
        return code, [json.loads(line) for line in printed.splitlines()], errors


class SoundPackages(InspectCase):
    def test_a_default_package_names_its_installer_and_the_default_product(self):
        code, [report], errors = self.inspect(self.build())
        self.assertEqual((code, errors), (0, ""))
        self.assertEqual(report["verdict"], "kestrow-package")
        self.assertEqual(report["installer"]["sha256"],
                         hashlib.sha256(SAMPLE.read_bytes()).hexdigest())
        self.assertEqual(report["installer"]["size"], SAMPLE.stat().st_size)
        self.assertFalse(report["product"]["own_product"])
        self.assertEqual(report["product"]["install_arguments"], "/install /silent")
        self.assertIsNone(report["product"]["uninstall_arguments"])

    def test_an_identity_package_names_its_own_product(self):
        package = self.build(SAMPLE, "--product-name", "Fabrikam Agent", "--manufacturer",
                             "Fabrikam", "--product-version", "2.1.0",
                             "--uninstall-arguments", "/uninstall /S")
        code, [report], _ = self.inspect(package)
        self.assertEqual((code, report["verdict"]), (0, "kestrow-package"))
        product = report["product"]
        self.assertEqual((product["own_product"], product["name"], product["version"],
                          product["manufacturer"], product["uninstall_arguments"]),
                         (True, "Fabrikam Agent", "2.1.0", "Fabrikam", "/uninstall /S"))
        self.assertRegex(product["package_code"], r"^\{[0-9A-F-]{36}\}$")

    def test_the_text_form_says_the_same_in_a_block_per_package(self):
        package = self.build()
        code, printed, _ = run(KESTROW, "inspect", package, package)
        self.assertEqual(code, 0)
        self.assertEqual(printed.count(f"{package}: a Kestrow package\n"), 2)
        self.assertIn(hashlib.sha256(SAMPLE.read_bytes()).hexdigest(), printed)

    def test_signers_of_the_installer_and_of_the_package_are_named(self):
        key, certificate = self.work / "key.pem", self.work / "cert.pem"
        self.assertEqual(run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days",
                             "2", "-subj", "/O=Fabrikam/CN=Fabrikam Signer", "-keyout", key,
                             "-out", certificate)[0], 0)
        signed_probe = self.work / "in" / "probe.exe"
        signed_probe.parent.mkdir()
        sign = ("osslsigncode", "sign", "-certs", certificate, "-key", key, "-in")
        self.assertEqual(run(*sign, PROBE, "-out", signed_probe)[0], 0)
        package = self.build(signed_probe)
        signed_package = self.work / "signed.msi"
        self.assertEqual(run(*sign, package, "-out", signed_package)[0], 0)
        code, [report], _ = self.inspect(signed_package)
        self.assertEqual((code, report["verdict"]), (0, "kestrow-package"))
        expected = {"state": "signed", "signer": "CN=Fabrikam Signer, O=Fabrikam"}
        self.assertEqual(report["installer"]["signature"], expected)
        self.assertEqual(report["package_signature"], expected)


class DamagedPackages(InspectCase):
    def damaged(self, damage):
        package = Package(self.build())
        damage(package)
        code, [report], _ = self.inspect(package.write(self.work / "damaged.msi"))
        self.assertEqual(code, 1)
        return report

    def assertDamaged(self, damage, words):
        report = self.damaged(damage)
        self.assertEqual(report["verdict"], "damaged")
        self.assertRegex(report["fault"], words)

    def test_each_damage_gets_a_verdict_that_names_it(self):
        def truncate(package):
            del package.data[len(package.data) // 2:]

        def loop(package):
            first, second = package.chain(package.installer.start_sector)[:2]
            package.set_fat(second, first)

        def into_free_space(package):
            package.set_fat(package.chain(package.installer.start_sector)[1], FREE_SECTOR)

        def directory_cycle(package):
            offset = package.entry_offset(package.container.root)
            child = struct.unpack_from("<I", package.data, offset + 76)[0]
            child_offset = (package.chain(package.container.header.first_directory_sector)
                            [child // 4] + 1) * SECTOR + child % 4 * 128
            package.data[child_offset + 68:child_offset + 72] = struct.pack("<I", child)

        def short_stream(package):
            offset = package.entry_offset(package.installer) + 120
            size = struct.unpack_from("<I", package.data, offset)[0]
            package.data[offset:offset + 4] = struct.pack("<I", size + 64 * SECTOR)

        for damage, words in [(truncate, "truncated|past the end"), (loop, "loops"),
                              (into_free_space, "free"), (directory_cycle, "cycle|twice"),
                              (short_stream, "short|covers")]:
            with self.subTest(damage=damage.__name__):
                self.assertDamaged(damage, words)

    def test_a_changed_template_row_is_named_by_table_row_and_column(self):
        def rename_maker(package):
            strings = package.container.stream("_StringData")
            at = package.stream_offset("_StringData", strings.index(b"Tellwright Corporation"))
            package.data[at] ^= 0x20

        report = self.damaged(rename_maker)
        self.assertEqual(report["verdict"], "not-a-kestrow-package")
        self.assertIn("table Property, row Manufacturer, column Value: tellwright Corporation "
                      "where Tellwright Corporation was expected", report["differences"])

    def test_an_identity_package_with_another_installer_no_longer_matches_its_package_code(self):
        package = Package(self.build(SAMPLE, "--product-name", "Fabrikam Agent"))
        package.data[package.stream_offset("Binary.Corvane", 100)] ^= 0xFF
        code, [report], _ = self.inspect(package.write(self.work / "swapped.msi"))
        self.assertEqual((code, report["verdict"]), (1, "not-a-kestrow-package"))
        self.assertRegex(report["differences"][0], "^summary information, package code: ")

    def test_a_package_of_another_tool_is_not_a_kestrow_package(self):
        source = self.work / "other.wxs"
        source.write_text(
            '<?xml version="1.0"?><Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">'
            '<Product Id="*" Name="Other" Language="1033" Version="1.0.0" Manufacturer="Other"'
            ' UpgradeCode="{11111111-2222-3333-4444-555555555555}"><Package/>'
            '<Directory Id="TARGETDIR" Name="SourceDir"/></Product></Wix>')
        other = self.work / "other.msi"
        self.assertEqual(run("wixl", "-o", other, source)[0], 0)
        code, [report], errors = self.inspect(other)
        self.assertEqual((code, errors, report["verdict"]), (1, "", "not-a-kestrow-package"))
        self.assertEqual(report["product"]["name"], "Other")
        self.assertIn("stream Binary.Corvane: missing", report["differences"])


class Usage(InspectCase):
    def test_a_wrong_command_line_exits_2(self):
        for arguments, message in [(("inspect",), "inspect: no package named"),
                                   (("inspect", "--json=yes", "a.msi"), "--json: takes no value"),
                                   (("extract", "a.msi", "b.msi", "-o", "x"),
                                    "b.msi: unexpected argument: extract takes one package"),
                                   (("extract", "a.msi"), "-o: missing")]:
            with self.subTest(arguments=arguments):
                code, printed, errors = run(KESTROW, *arguments)
                self.assertEqual((code, printed), (2, ""))
                self.assertTrue(errors.startswith(f"kestrow: {message}\n"), errors)

    def test_a_missing_package_is_told_and_the_others_still_inspected(self):
        package = self.build()
        code, reports, errors = self.inspect(self.work / "absent.msi", package)
        self.assertEqual((code, [r["verdict"] for r in reports]), (1, ["kestrow-package"]))
        self.assertEqual(errors, f"kestrow: {self.work / 'absent.msi'}: no such file\n")


class Extract(InspectCase):
    def test_the_installer_comes_out_byte_for_byte(self):
        target = self.work / "back" / "Setup.exe"
        target.parent.mkdir()
        code, printed, errors = run(KESTROW, "extract", self.build(), "-o", target)
        self.assertEqual((code, printed, errors), (0, f"{target}\n", ""))
        self.assertEqual(target.read_bytes(), SAMPLE.read_bytes())

    def test_a_damaged_package_leaves_the_target_as_it_was(self):
        package = Package(self.build())
        package.set_fat(package.chain(package.installer.start_sector)[1], FREE_SECTOR)
        target = self.work / "kept.exe"
        target.write_bytes(b"old")
        code, _, errors = run(KESTROW, "extract", package.write(self.work / "bad.msi"), "-o",
                              target)
        self.assertEqual(code, 1)
        self.assertRegex(errors, r"^kestrow: .*bad\.msi: damaged: ")
        self.assertEqual(target.read_bytes(), b"old")
        self.assertEqual(sorted(p.name for p in self.work.iterdir()),
                         ["SampleSetup.msi", "bad.msi", "kept.exe"])


if __name__ == "__main__":
    unittest.main()
