"""The built Kestrow.exe as Windows sees it: machine, subsystem, imports, resources, version,
and nothing that would differ between two builds of one commit; and kestrow-cli.exe, the
command line, built and hardened alike."""

import os
import pathlib
import struct
import unittest

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
KESTROW_CLI = pathlib.Path(os.environ["KESTROW_CLI"])
TEMPLATE = pathlib.Path(os.environ["KESTROW_TEMPLATE"])
VERSION = (pathlib.Path(__file__).resolve().parents[2] / "VERSION").read_text().strip()

IMAGE_FILE_MACHINE_AMD64 = 0x8664
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_SUBSYSTEM_WINDOWS_CUI = 3
RT_VERSION, RT_MANIFEST = 16, 24
IMAGE_DIRECTORY_ENTRY_BASERELOC, IMAGE_DIRECTORY_ENTRY_DEBUG = 5, 6
# Address space layout randomisation (with 64-bit entropy) and execution prevention.
IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA = 0x0020
IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE = 0x0040
IMAGE_DLLCHARACTERISTICS_NX_COMPAT = 0x0100
WINDOWS_OWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "comdlg32.dll",
                    "ole32.dll", "msvcrt.dll", "advapi32.dll", "comctl32.dll", "shlwapi.dll"}


class PortableExecutable:
    """Just enough of the PE format (32 and 64 bits) to read headers, imports, exports and
    resources."""

    PE32_MAGIC = 0x10B

    def __init__(self, path):
        self.data = path.read_bytes()
        header = struct.unpack_from("<I", self.data, 0x3C)[0]
        (self.machine, sections, self.timestamp, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", self.data, header + 4)
        optional = header + 24
        self.magic = struct.unpack_from("<H", self.data, optional)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", self.data,
                                                                      optional + 68)
        directories = optional + (96 if self.magic == self.PE32_MAGIC else 112)
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i)
                            for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8sIIII", self.data, table + 40 * i)
                         for i in range(sections)]

    def offset(self, rva):
        for _, virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise ValueError(f"address {rva:#x} is in no section")

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        names, entry = [], self.offset(self.directories[1][0])
        while struct.unpack_from("<I", self.data, entry + 12)[0]:
            names.append(self.c_string(struct.unpack_from("<I", self.data, entry + 12)[0]))
            entry += 20
        return names

    def exported_names(self):
        if not self.directories[0][0]:
            return []
        directory = self.offset(self.directories[0][0])
        count, _, names = struct.unpack_from("<III", self.data, directory + 24)
        return [self.c_string(struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0])
                for i in range(count)]

    def _directory_entries(self, base, directory):
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * index)
            if name & 0x80000000:
                length = struct.unpack_from("<H", self.data, base + (name & 0x7FFFFFFF))[0]
                start = base + (name & 0x7FFFFFFF) + 2
                name = self.data[start:start + 2 * length].decode("utf-16-le")
            yield name, target

    def resources(self):
        """{(type, id, language): bytes} of every resource."""
        base = self.offset(self.directories[2][0])
        found = {}
        for kind, kinds in self._directory_entries(base, base):
            for name, names in self._directory_entries(base, base + (kinds & 0x7FFFFFFF)):
                for language, leaf in self._directory_entries(base, base + (names & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    found[(kind, name, language)] = self.data[self.offset(rva):
                                                              self.offset(rva) + size]
        return found

    def resource_directory_timestamp(self):
        return struct.unpack_from("<I", self.data, self.offset(self.directories[2][0]) + 4)[0]


def version_block(data, offset=0):
    """A VS_VERSIONINFO block: (key, value, children), the value as text or as bytes."""
    length, value_length, text = struct.unpack_from("<HHH", data, offset)
    end = data.index(b"\0\0", offset + 6)
    end += (end - offset) % 2  # the key's terminator lies on a character boundary
    key = data[offset + 6:end].decode("utf-16-le")
    start = (end + 2 + 3) & ~3
    size = value_length * 2 if text else value_length
    value = data[start:start + size]
    value = value.decode("utf-16-le").rstrip("\0") if text else value
    children, child = [], (start + size + 3) & ~3
    while child < offset + length:
        children.append(version_block(data, child))
        child = (child + struct.unpack_from("<H", data, child)[0] + 3) & ~3
    return key, value, children


class BuiltLikeKestrow:
    """What both programs share: a 64-bit program of the given subsystem, needing only
    Windows' own DLLs, hardened, and the same from build to build."""
    PROGRAM = SUBSYSTEM = None

    @classmethod
    def setUpClass(cls):
        cls.image = PortableExecutable(cls.PROGRAM)

    def test_a_64_bit_windows_program_needing_only_windows_own_dlls(self):
        self.assertEqual(self.image.machine, IMAGE_FILE_MACHINE_AMD64)
        self.assertEqual(self.image.subsystem, self.SUBSYSTEM)
        imported = {name.lower() for name in self.image.imported_dlls()}
        self.assertLessEqual(imported, WINDOWS_OWN_DLLS)

    def test_loaded_at_a_random_address_with_high_entropy_and_no_executable_data(self):
        hardening = (IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA |
                     IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_NX_COMPAT)
        self.assertEqual(self.image.dll_characteristics & hardening, hardening)
        # Without relocations the loader cannot move the image, whatever its flags say.
        self.assertNotEqual(self.image.directories[IMAGE_DIRECTORY_ENTRY_BASERELOC][1], 0)

    def test_no_build_time_and_no_debug_directory(self):
        self.assertEqual(self.image.timestamp, 0)
        self.assertEqual(self.image.directories[IMAGE_DIRECTORY_ENTRY_DEBUG], (0, 0))


class CommandLineImage(BuiltLikeKestrow, unittest.TestCase):
    # A console program, which a shell waits for and whose exit code it keeps.
    PROGRAM, SUBSYSTEM = KESTROW_CLI, IMAGE_SUBSYSTEM_WINDOWS_CUI


class ProgramImage(BuiltLikeKestrow, unittest.TestCase):
    PROGRAM, SUBSYSTEM = KESTROW, IMAGE_SUBSYSTEM_WINDOWS_GUI

    def test_template_is_embedded_byte_for_byte(self):
        resources = self.image.resources()
        self.assertEqual(resources[("INSTALLER", 104, 0x4009)], TEMPLATE.read_bytes())

    def test_manifest_asks_for_common_controls_6_and_no_elevation(self):
        manifest = self.image.resources()[(RT_MANIFEST, 1, 0)].decode("utf-8")
        self.assertIn('name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', manifest)
        self.assertIn('processorArchitecture="amd64"', manifest)
        self.assertIn('level="asInvoker" uiAccess="false"', manifest)
        self.assertRegex(manifest, r"<dpiAware[^>]*>true</dpiAware>")
        self.assertRegex(manifest, r"<dpiAwareness[^>]*>PerMonitorV2</dpiAwareness>")

    def test_version_resource_names_the_product_and_the_version_of_the_tree(self):
        key, fixed, (strings, variables) = version_block(
            self.image.resources()[(RT_VERSION, 1, 0)])
        self.assertEqual(key, "VS_VERSION_INFO")
        signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
        expected = [int(part) for part in VERSION.split(".")] + [0]
        for most, least in ((file_ms, file_ls), (product_ms, product_ls)):
            self.assertEqual([most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF], expected)
        self.assertEqual(signature, 0xFEEF04BD)
        self.assertEqual(strings[0], "StringFileInfo")
        (language, _, values), = strings[2]
        self.assertEqual(language, "040904B0")
        values = {name: value for name, value, _ in values}
        self.assertEqual({name: values.get(name) for name in (
            "CompanyName", "ProductName", "OriginalFilename", "FileVersion", "ProductVersion")}, {
            "CompanyName": "Tellwright Corporation", "ProductName": "Corvane Kestrow",
            "OriginalFilename": "Kestrow.exe", "FileVersion": VERSION, "ProductVersion": VERSION})
        self.assertEqual(variables[2][0][:2], ("Translation", struct.pack("<HH", 0x0409, 1200)))

    def test_no_build_time_in_the_resources(self):
        self.assertEqual(self.image.resource_directory_timestamp(), 0)


if __name__ == "__main__":
    unittest.main()
