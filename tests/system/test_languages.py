"""The interface in each language it speaks: the real windows under Wine with the user's
locale set, every text the translated one (English the original), none cut, mnemonics distinct
within a window, the licence agreement in English, and a screenshot of every window in every
language."""

import contextlib
import os
import pathlib
import re
import unittest

import desktop
from interface_texts import translations

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
STATUS_WINDOW = pathlib.Path(os.environ["KESTROW_STATUS_WINDOW"])
LICENSE_WINDOW = pathlib.Path(os.environ["KESTROW_LICENSE_WINDOW"])
LOCALES = {"english": "en_US.UTF-8", "german": "de_DE.UTF-8", "french": "fr_FR.UTF-8", "spanish": "es_ES.UTF-8",
           "chinese": "zh_CN.UTF-8", "japanese": "ja_JP.UTF-8"}
IDOK = 1
# The main window's controls and the strings they show.
MAIN_TEXTS = {1001: "IDS_DESCRIPTION", 1003: "IDS_INSTALLER_LABEL", 1005: "IDS_FOLDER_LABEL",
              1009: "IDS_BROWSE_INSTALLER", 1011: "IDS_BROWSE_FOLDER", 1013: "IDS_CONVERT",
              1016: "IDS_ACCEPT", 1021: "IDS_PACKAGE_NAME_LABEL"}
TERMS_LINK = 1025
LICENSE_TEXTS = {IDOK: "IDS_OK", 1023: "IDS_PRINT", 1024: "IDS_SAVE"}
LICENSE_TEXT_AREA = 1016
STATUS_MESSAGE = 1026
STATUS_TEXT_IDS = {"IDS_STATUS_SUCCESS_CAPTION": 122, "IDS_STATUS_FAILURE_CAPTION": 124,
                   "IDS_STATUS_SUCCESS_MESSAGE": 125, "IDS_STATUS_FAILURE_MESSAGE": 127}
ENGLISH_LICENSE_WORDS = "By using the Utility you agree to be bound by the terms"


def mnemonics(texts):
    return [match.lower() for text in texts for match in re.findall(r"(?<!&)&([^&])", text)]


class Languages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        desktop.prepare()

    @contextlib.contextmanager
    def shown(self, program, title, locale, *arguments):
        """The window of a program started in the locale, read once it is there; the program
        ends with the block."""
        process = desktop.start(program, *arguments, locale=locale)
        try:
            yield desktop.wait_for_window(title, process=program.name, locale=locale)
        finally:
            process.kill()
            process.wait()

    def assert_window(self, window, expected, name):
        """Each control shows its text, whole; no two share a mnemonic."""
        controls = {control["id"]: control for control in window["controls"]}
        for control_id, text in expected.items():
            with self.subTest(window=name, control=control_id):
                self.assertEqual(controls[control_id]["text"], text)
        cut = [(control["id"], control["text"]) for control in window["controls"]
               if control["fits"] is False]
        self.assertEqual(cut, [], f"cut texts in {name}")
        letters = mnemonics(expected.values())
        self.assertEqual(len(letters), len(set(letters)), f"mnemonics of {name}: {letters}")
        desktop.screenshot(f"language-{name}", window)

    def test_every_window_in_every_language(self):
        main_heights = {}
        for language, locale in LOCALES.items():
            with self.subTest(language=language):
                strings, link = translations(language)
                main_heights[language] = self.check_main_window(language, locale, strings, link)
                self.check_license_window(language, locale, strings)
                self.check_status_windows(language, locale, strings)
        # The dialog manager found each translation's own copy of the main window, which is
        # taller than the English one.
        for language, height in main_heights.items():
            if language != "english":
                self.assertGreater(height, main_heights["english"], language)

    def check_main_window(self, language, locale, strings, link):
        """Returns the height of the window's client area."""
        expected = {control: strings[name] for control, name in MAIN_TEXTS.items()}
        with self.shown(KESTROW, strings["IDS_MAIN_CAPTION"], locale) as window:
            self.assert_window(window, {**expected, TERMS_LINK: link}, f"{language}-main")
        return window["client"][3] - window["client"][1]

    def check_license_window(self, language, locale, strings):
        expected = {control: strings[name] for control, name in LICENSE_TEXTS.items()}
        with self.shown(LICENSE_WINDOW, strings["IDS_LICENSE_CAPTION"], locale) as window:
            self.assert_window(window, expected, f"{language}-license")
        document = desktop.control(window, LICENSE_TEXT_AREA)["text"]
        self.assertIn(ENGLISH_LICENSE_WORDS, document)

    def check_status_windows(self, language, locale, strings):
        for outcome, location, button in [("SUCCESS", ["C:\\Packages\\Setup.msi"], "IDS_OK"),
                                          ("FAILURE", [], "IDS_CLOSE")]:
            caption, message = f"IDS_STATUS_{outcome}_CAPTION", f"IDS_STATUS_{outcome}_MESSAGE"
            expected = {STATUS_MESSAGE: strings[message], IDOK: strings[button]}
            with self.shown(STATUS_WINDOW, strings[caption], locale,
                            str(STATUS_TEXT_IDS[caption]), str(STATUS_TEXT_IDS[message]),
                            *location) as window:
                self.assert_window(window, expected, f"{language}-status-{outcome.lower()}")


if __name__ == "__main__":
    unittest.main()
