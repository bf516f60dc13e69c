"""What the template carries besides its tables: the two 32-bit support programs as Windows
sees them, and the pictures, as files, in the formats and sizes the installer and the program
expect. (32-bit programs do not run under this machine's Wine, so the programs are checked as
images.)"""

import os
import pathlib
import struct
import subprocess
import tempfile
import unittest

from test_program_image import PortableExecutable

SOURCE_ROOT = pathlib.Path(__file__).resolve().parents[2]
SUPPORT_DIR = pathlib.Path(os.environ["KESTROW_TEMPLATE_SUPPORT_DIR"])
TEMPLATE = pathlib.Path(os.environ["KESTROW_TEMPLATE"])
BINARY_DIR = SOURCE_ROOT / "template/sources/Binary"
PRODUCT_ICON = SOURCE_ROOT / "template/support/product-icon/product.ico"

IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_FILE_DLL = 0x2000
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
RT_ICON = 3
RT_GROUP_ICON = 14
WINDOWS_OWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "msi.dll",
                    "msvcrt.dll"}
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
SIX_IMAGES = [(16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32)]


def icon_entries(data):
    """[(width, height, bits per pixel, image bytes)] of an .ico file, each read from the image
    itself (its bitmap header, or its PNG header) and checked against the directory."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 1), "not an icon file"
    entries = []
    for index in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * index)
        image = data[offset:offset + size]
        assert len(image) == size, "an image runs past the end of the file"
        if image.startswith(PNG_SIGNATURE):
            own_width, own_height = struct.unpack_from(">II", image, 16)
        else:
            _, own_width, double_height, _, own_bits = struct.unpack_from("<IiiHH", image, 0)
            own_height = double_height // 2
            assert own_bits == bits, "the directory and the bitmap disagree on the colour depth"
        assert (width or 256, height or 256) == (own_width, own_height), "sizes disagree"
        entries.append((own_width, own_height, bits, image))
    return entries


def sizes_and_depths(path):
    return [(width, bits) for width, height, bits, _ in icon_entries(path.read_bytes())
            if width == height]


def jpeg_size(data):
    """(width, height) from the first start-of-frame segment of a JPEG file."""
    assert data[:2] == b"\xff\xd8", "not a JPEG file"
    position = 2
    while position < len(data):
        marker = data[position + 1]
        length = struct.unpack_from(">H", data, position + 2)[0]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            height, width = struct.unpack_from(">HH", data, position + 5)
            return width, height
        position += 2 + length
    raise AssertionError("no frame header in the JPEG file")


class SupportLibrary(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.image = PortableExecutable(SUPPORT_DIR / "SetAllUsers.dll")

    def test_a_32_bit_dll_needing_only_windows_own_dlls(self):
        self.assertEqual(self.image.magic, PortableExecutable.PE32_MAGIC)
        self.assertEqual(self.image.machine, IMAGE_FILE_MACHINE_I386)
        self.assertTrue(self.image.characteristics & IMAGE_FILE_DLL)
        self.assertLessEqual({name.lower() for name in self.image.imported_dlls()},
                             WINDOWS_OWN_DLLS)

    def test_exports_the_print_entry_point_under_its_plain_name(self):
        self.assertEqual(self.image.exported_names(), ["PrintScrollableText"])

    def test_carries_no_build_time(self):
        self.assertEqual(self.image.timestamp, 0)


class IconCarrier(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.image = PortableExecutable(SUPPORT_DIR / "ARPPRODUCTICON.exe")

    def test_a_32_bit_gui_program_needing_only_windows_own_dlls(self):
        self.assertEqual(self.image.magic, PortableExecutable.PE32_MAGIC)
        self.assertEqual(self.image.machine, IMAGE_FILE_MACHINE_I386)
        self.assertEqual(self.image.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)
        self.assertEqual(self.image.timestamp, 0)
        self.assertLessEqual({name.lower() for name in self.image.imported_dlls()},
                             WINDOWS_OWN_DLLS)

    def test_its_one_icon_group_holds_the_six_product_images_byte_for_byte(self):
        resources = self.image.resources()
        groups = [data for (kind, _, _), data in resources.items() if kind == RT_GROUP_ICON]
        self.assertEqual(len(groups), 1)
        _, _, count = struct.unpack_from("<HHH", groups[0], 0)
        members = [struct.unpack_from("<BBBBHHIH", groups[0], 6 + 14 * i) for i in range(count)]
        images = {name: data for (kind, name, _), data in resources.items() if kind == RT_ICON}
        expected = icon_entries(PRODUCT_ICON.read_bytes())
        self.assertEqual([(w or 256, bits) for w, _, _, _, _, bits, _, _ in members], SIX_IMAGES)
        self.assertEqual([images[member[7]] for member in members],
                         [image for _, _, _, image in expected])


class TemplateStreams(unittest.TestCase):
    def extract(self, stream):
        return subprocess.run(["msiinfo", "extract", str(TEMPLATE), stream], check=True,
                              capture_output=True).stdout

    def test_the_template_stores_the_built_programs_byte_for_byte(self):
        self.assertEqual(self.extract("Binary.SetAllUsers.dll"),
                         (SUPPORT_DIR / "SetAllUsers.dll").read_bytes())
        self.assertEqual(self.extract("Icon.ARPPRODUCTICON.exe"),
                         (SUPPORT_DIR / "ARPPRODUCTICON.exe").read_bytes())

    def test_the_template_stores_the_wizard_pictures_byte_for_byte(self):
        for number in range(1, 19):
            with self.subTest(number=number):
                name = f"NewBinary{number}"
                self.assertEqual(self.extract("Binary." + name), (BINARY_DIR / name).read_bytes())


class Pictures(unittest.TestCase):
    def test_program_banners_are_uncompressed_24_bit_bitmaps_for_96_144_and_192_dpi(self):
        for name, (expected_width, expected_height, per_metre) in {
                "banner.bmp": (431, 108, 3780), "banner-150.bmp": (647, 162, 5670),
                "banner-200.bmp": (862, 216, 7560)}.items():
            with self.subTest(picture=name):
                data = (SOURCE_ROOT / "resources/pictures" / name).read_bytes()
                signature, file_size, _, _, pixels_at = struct.unpack_from("<2sIHHI", data, 0)
                (header_size, width, height, _, bits, compression, image_size, per_metre_x,
                 per_metre_y, _, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
                self.assertEqual((signature, file_size, header_size), (b"BM", len(data), 40))
                self.assertEqual((width, height, bits, compression),
                                 (expected_width, expected_height, 24, 0))
                self.assertEqual((per_metre_x, per_metre_y), (per_metre, per_metre))
                self.assertEqual(pixels_at + image_size, len(data))
                self.assertEqual(image_size, (width * 3 + 3) // 4 * 4 * height)

    def test_program_icon_holds_the_twenty_images(self):
        expected = ([(size, 4) for size in (16, 24, 32, 48, 256)]
                    + [(size, 8) for size in (16, 24, 32, 48, 256)]
                    + [(size, 32) for size in (16, 24, 32, 48, 64, 72, 80, 96, 128, 256)])
        self.assertEqual(sizes_and_depths(SOURCE_ROOT / "resources/pictures/kestrow.ico"),
                         expected)

    def test_product_icon_holds_six_images(self):
        self.assertEqual(sizes_and_depths(PRODUCT_ICON), SIX_IMAGES)

    def test_wizard_pictures_are_jpeg_files_of_the_dialog_sizes(self):
        self.assertEqual(jpeg_size((BINARY_DIR / "NewBinary1").read_bytes()), (499, 58))
        self.assertEqual(jpeg_size((BINARY_DIR / "NewBinary5").read_bytes()), (499, 312))

    def test_wizard_icons_hold_the_sizes_their_controls_show(self):
        sizes = {2: [16], 3: [16], 4: [32], 6: [48, 32], 7: [32], 8: [32], 9: [16, 32, 48] * 2,
                 10: [48, 32], 11: [48, 32], 12: [32]}
        sizes.update({number: [32] for number in range(13, 19)})
        for number, expected in sizes.items():
            with self.subTest(number=number):
                found = sizes_and_depths(BINARY_DIR / f"NewBinary{number}")
                self.assertEqual([size for size, _ in found], expected)

    def test_the_drawing_script_gives_the_committed_files_again(self):
        with tempfile.TemporaryDirectory() as folder:
            listing = subprocess.run([str(SOURCE_ROOT / "tools/draw-pictures"), folder],
                                     check=True, capture_output=True, text=True).stdout
            written = [line.split(":")[0] for line in listing.splitlines()]
            self.assertEqual(len(written), 23)
            for relative in written:
                with self.subTest(file=relative):
                    self.assertEqual((pathlib.Path(folder) / relative).read_bytes(),
                                     (SOURCE_ROOT / relative).read_bytes())


if __name__ == "__main__":
    unittest.main()
