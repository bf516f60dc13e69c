"""The interface resources of the built Kestrow.exe, read from the program image: the banner,
the icon, the status and licence windows' templates, the licence document and the string
table's language."""

import os
import pathlib
import struct
import unittest

from test_program_image import PortableExecutable

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
PICTURES = pathlib.Path(__file__).resolve().parents[2] / "resources" / "pictures"

RT_BITMAP, RT_DIALOG, RT_STRING, RT_GROUP_ICON = 2, 5, 6, 14
ENGLISH_US = 1033
# The string table and the main window also come in German, French, Spanish, Chinese and Japanese.
INTERFACE_LANGUAGES = {ENGLISH_US, 1031, 1036, 3082, 2052, 1041}
BANNER, ICON, MAIN_TEMPLATE, STATUS_TEMPLATE = 119, 122, 105, 123
BANNER_150, BANNER_200 = 141, 142
LICENSE_TEMPLATE, LICENSE_DOCUMENT = 106, 109
LICENSE_SOURCE = pathlib.Path(__file__).resolve().parents[2] / "resources/license/license.rtf"

WS_POPUP, WS_CAPTION, WS_SYSMENU = 0x80000000, 0x00C00000, 0x00080000
WS_CHILD, WS_VISIBLE, WS_TABSTOP, WS_GROUP = 0x40000000, 0x10000000, 0x00010000, 0x00020000
DS_MODALFRAME, DS_SETFONT, DS_FIXEDSYS = 0x80, 0x40, 0x08
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, SS_LEFT, SS_BITMAP = 0x00, 0x01, 0x00, 0x0E
SS_PATHELLIPSIS = 0x8000
WS_VSCROLL, ES_MULTILINE, ES_READONLY, ES_WANTRETURN = 0x00200000, 0x0004, 0x0800, 0x1000
WS_BORDER, WS_EX_CLIENTEDGE = 0x00800000, 0x200
WS_EX_TRANSPARENT = 0x20
WS_DISABLED, ES_AUTOHSCROLL = 0x08000000, 0x0080
BS_AUTOCHECKBOX, BS_TOP, SS_ETCHEDHORZ = 0x03, 0x0400, 0x10
BUTTON_CLASS, EDIT_CLASS, STATIC_CLASS = 0x80, 0x81, 0x82


class DialogTemplate:
    """An extended dialog template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items)."""

    def __init__(self, data):
        self.data = data
        version, signature, _, self.exstyle, self.style, count, *self.box = struct.unpack_from(
            "<HHIIIHhhhh", data, 0)
        assert (version, signature) == (1, 0xFFFF), "not an extended template"
        offset = 26
        self.menu, offset = self._name(offset)
        self.window_class, offset = self._name(offset)
        self.caption, offset = self._name(offset)
        self.font = None
        if self.style & DS_SETFONT:
            points, weight, italic, charset = struct.unpack_from("<HHBB", data, offset)
            typeface, offset = self._name(offset + 6)
            self.font = (typeface, points, weight, italic, charset)
        self.items = []
        for _ in range(count):
            offset = (offset + 3) & ~3
            _, exstyle, style, *box, control_id = struct.unpack_from("<IIIhhhhI", data, offset)
            window_class, offset = self._name(offset + 24)
            text, offset = self._name(offset)
            extra = struct.unpack_from("<H", data, offset)[0]
            offset += 2 + extra
            self.items.append({"id": control_id, "class": window_class, "text": text,
                               "style": style, "exstyle": exstyle, "box": tuple(box)})

    def _name(self, offset):
        """A string or an ordinal (0xFFFF then a number); returns (value, next offset)."""
        first = struct.unpack_from("<H", self.data, offset)[0]
        if first == 0xFFFF:
            return struct.unpack_from("<H", self.data, offset + 2)[0], offset + 4
        end = offset
        while struct.unpack_from("<H", self.data, end)[0] != 0:
            end += 2
        return self.data[offset:end].decode("utf-16-le"), end + 2


def class_name(name):
    """Resource compilers store the system classes as ordinals or as names."""
    return {BUTTON_CLASS: "button", EDIT_CLASS: "edit", STATIC_CLASS: "static"}.get(
        name, str(name).lower())


class InterfaceResources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.resources = PortableExecutable(KESTROW).resources()

    def of_type(self, kind):
        return {(name, language): data for (found, name, language), data in
                self.resources.items() if found == kind}

    def test_texts_and_dialogs_in_six_languages_pictures_and_licence_in_english_only(self):
        for kind, expected in [(RT_STRING, INTERFACE_LANGUAGES), (RT_DIALOG, INTERFACE_LANGUAGES),
                               (RT_BITMAP, {ENGLISH_US}), (RT_GROUP_ICON, {ENGLISH_US}),
                               ("RTF", {ENGLISH_US})]:
            with self.subTest(kind=kind):
                languages = {language for _, language in self.of_type(kind)}
                self.assertEqual(languages, expected)

    def test_banner_is_bitmap_119_drawn_again_for_150_and_200_percent_at_24_bits(self):
        bitmaps = self.of_type(RT_BITMAP)
        self.assertEqual(set(bitmaps), {(BANNER, ENGLISH_US), (BANNER_150, ENGLISH_US),
                                        (BANNER_200, ENGLISH_US)})
        for name, file, (width, height), per_metre in [
                (BANNER, "banner.bmp", (431, 108), 3780),
                (BANNER_150, "banner-150.bmp", (647, 162), 5670),
                (BANNER_200, "banner-200.bmp", (862, 216), 7560)]:
            with self.subTest(bitmap=name):
                banner = bitmaps[(name, ENGLISH_US)]
                self.assertEqual(struct.unpack_from("<IiiHHIIii", banner, 0),
                                 (40, width, height, 1, 24, 0, (width * 3 + 3) // 4 * 4 * height,
                                  per_metre, per_metre))
                file_header_size = 14
                self.assertEqual(banner, (PICTURES / file).read_bytes()[file_header_size:])

    def test_icon_group_122_has_the_twenty_images(self):
        group = self.of_type(RT_GROUP_ICON)[(ICON, ENGLISH_US)]
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        self.assertEqual((kind, count), (1, 20))
        images = set()
        for index in range(count):
            width, height, _, _, _, bits, _, _ = struct.unpack_from("<BBBBHHIH", group,
                                                                    6 + 14 * index)
            images.add((width or 256, height or 256, bits))
        expected = {(size, size, bits) for size in (16, 24, 32, 48, 256) for bits in (4, 8)}
        expected |= {(size, size, 32) for size in (16, 24, 32, 48, 64, 72, 80, 96, 128, 256)}
        self.assertEqual(images, expected)

    def test_status_window_template_123(self):
        dialog = DialogTemplate(self.of_type(RT_DIALOG)[(STATUS_TEMPLATE, ENGLISH_US)])
        self.assertEqual(dialog.box, [0, 0, 286, 135])
        self.assertEqual(dialog.caption, "Dialog")
        self.assertEqual(dialog.font, ("MS Shell Dlg", 8, 400, 0, 1))
        self.assertEqual(dialog.style & ~WS_VISIBLE,
                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT |
                         DS_FIXEDSYS)
        self.assertEqual([(item["id"], class_name(item["class"]), item["text"], item["style"],
                           item["exstyle"], item["box"]) for item in dialog.items], [
            (1, "button", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
             (228, 113, 50, 14)),
            (1015, "static", BANNER, WS_CHILD | WS_VISIBLE | SS_BITMAP, WS_EX_TRANSPARENT,
             (0, 0, 287, 66)),
            (1026, "static", "The Corvane Installer that you specified has been sucessfully "
             "saved to an MSI file in the following location:",
             WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 0, (15, 72, 259, 34)),
            (1027, "static", "Static",
             WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_PATHELLIPSIS, 0,
             (15, 114, 208, 16)),
        ])

    def test_main_window_template_105(self):
        dialog = DialogTemplate(self.of_type(RT_DIALOG)[(MAIN_TEMPLATE, ENGLISH_US)])
        self.assertEqual(dialog.box, [0, 0, 285, 234])
        self.assertEqual(dialog.caption, "Corvane Kestrow")
        self.assertEqual(dialog.font, ("MS Shell Dlg", 8, 400, 0, 1))
        self.assertEqual(dialog.style & ~WS_VISIBLE,
                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT |
                         DS_FIXEDSYS)
        child = WS_CHILD | WS_VISIBLE
        edit = child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL
        button = child | WS_TABSTOP | BS_PUSHBUTTON
        label = child | WS_GROUP | SS_LEFT
        # In template order, which is the tab order.
        self.assertEqual([(item["id"], class_name(item["class"]), item["text"], item["style"],
                           item["exstyle"], item["box"]) for item in dialog.items], [
            (1007, "edit", "", edit, 0, (11, 156, 210, 14)),
            (1009, "button", "Browse", button, 0, (226, 156, 50, 14)),
            (1008, "edit", "", edit | WS_DISABLED, 0, (13, 188, 210, 14)),
            (1011, "button", "Browse", button | WS_DISABLED, 0, (226, 188, 50, 14)),
            (1001, "static", "This utility packages the Corvane Installers generated by the "
             "configuration administrator into a MSI package for deployment via Active "
             "Directory. These packages only support deployment and cannot be used to "
             "uninstall the product.", label, 0, (11, 74, 262, 33)),
            (1003, "static", "Corvane Installer File", label, 0, (11, 143, 82, 8)),
            (1005, "static", "Location to Save MSI File", label, 0, (11, 175, 81, 8)),
            (1015, "static", BANNER, child | SS_BITMAP, WS_EX_TRANSPARENT, (0, 0, 290, 66)),
            (1013, "button", "Convert to MSI", button, 0, (222, 214, 58, 14)),
            (1018, "static", "", child | SS_ETCHEDHORZ, 0, (0, 208, 290, 1)),
            (1016, "button", "Accept", child | WS_TABSTOP | BS_AUTOCHECKBOX | BS_TOP, 0,
             (11, 216, 33, 10)),
            (1021, "static", "Package Name", label, 0, (11, 111, 48, 8)),
            (1022, "edit", "", edit, 0, (11, 124, 210, 14)),
            (1025, "syslink", "<a>Terms && Conditions</a>", child | WS_TABSTOP, 0,
             (47, 216, 76, 9)),
        ])

    def test_licence_window_template_106(self):
        dialog = DialogTemplate(self.of_type(RT_DIALOG)[(LICENSE_TEMPLATE, ENGLISH_US)])
        self.assertEqual(dialog.box, [0, 0, 375, 243])
        self.assertEqual(dialog.caption, "License Agreement")
        self.assertEqual(dialog.font, ("MS Shell Dlg", 8, 400, 0, 1))
        self.assertEqual(dialog.style & ~WS_VISIBLE,
                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT |
                         DS_FIXEDSYS)
        button = WS_CHILD | WS_VISIBLE | WS_TABSTOP
        self.assertEqual([(item["id"], class_name(item["class"]), item["text"], item["style"],
                           item["exstyle"], item["box"]) for item in dialog.items], [
            (1, "button", "&OK", button | BS_DEFPUSHBUTTON, 0, (318, 222, 50, 14)),
            (1016, "richedit20w", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP |
             ES_MULTILINE | ES_READONLY | ES_WANTRETURN, 0, (4, 7, 364, 209)),
            (1023, "button", "&Print", button | BS_PUSHBUTTON, 0, (4, 222, 50, 14)),
            (1024, "button", "&Save", button | BS_PUSHBUTTON, 0, (59, 222, 50, 14)),
        ])

    def test_licence_document_109_is_7_bit_rtf_ended_by_one_nul(self):
        document = self.of_type("RTF")[(LICENSE_DOCUMENT, ENGLISH_US)]
        self.assertTrue(document.startswith(rb"{\rtf1\ansi\ansicpg1252"))
        self.assertEqual(document[-1:], b"\0")
        self.assertNotIn(b"\0", document[:-1])
        self.assertTrue(all(byte < 0x80 for byte in document))
        self.assertEqual(document[:-1].rstrip(), LICENSE_SOURCE.read_bytes().rstrip())
        self.assertTrue(document[:-1].rstrip().endswith(b"}"))


if __name__ == "__main__":
    unittest.main()
