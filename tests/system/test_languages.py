"""The interface in each language it speaks: the real windows under Wine with the user's
locale set, every text the translated one (English the original), none cut, mnemonics distinct
within a window, the licence agreement in English, the choosers' texts, the path fields' names
for screen readers, and a screenshot of every window in every language."""

import contextlib
import os
import pathlib
import re
import unittest

import desktop
import wine_session
from interface_texts import translations

KESTROW = pathlib.Path(os.environ["KESTROW_EXE"])
STATUS_WINDOW = pathlib.Path(os.environ["KESTROW_STATUS_WINDOW"])
LICENSE_WINDOW = pathlib.Path(os.environ["KESTROW_LICENSE_WINDOW"])
PROGRESS_WINDOW = pathlib.Path(os.environ["KESTROW_PROGRESS_WINDOW"])
SAMPLE = pathlib.Path(os.environ["KESTROW_SAMPLE"])
LOCALES = {"english": "en_US.UTF-8", "german": "de_DE.UTF-8", "french": "fr_FR.UTF-8", "spanish": "es_ES.UTF-8",
           "chinese": "zh_CN.UTF-8", "japanese": "ja_JP.UTF-8"}
IDOK = 1
# The main window's controls and the strings they show.
MAIN_TEXTS = {1001: "IDS_DESCRIPTION", 1003: "IDS_INSTALLER_LABEL", 1005: "IDS_FOLDER_LABEL",
              1009: "IDS_BROWSE_INSTALLER", 1011: "IDS_BROWSE_FOLDER", 1013: "IDS_CONVERT",
              1016: "IDS_ACCEPT", 1021: "IDS_PACKAGE_NAME_LABEL"}
TERMS_LINK = 1025
INSTALLER_FIELD, FOLDER_FIELD, BROWSE_INSTALLER, BROWSE_FOLDER = 1007, 1008, 1009, 1011
FILE_NAME_BOX, FILE_TYPE_BOX, FOLDER_BROWSER_TEXT = 1152, 1136, 14146
# What Wine's annotation service says when a program names a control for screen readers; it
# keeps nothing, so its message is what a test can read.
ACCESSIBLE_NAME_CALL = re.compile(
    r"AccPropServices_SetHwndPropStr \(([0-9A-F]+) 4294967292 0 "
    r"\{608d3df8-8128-4aa7-a428-f55e49267291\} L\"(.*)\"\)")
LICENSE_SAVE = 1024
LICENSE_TEXTS = {IDOK: "IDS_OK", 1023: "IDS_PRINT", LICENSE_SAVE: "IDS_SAVE"}
LICENSE_TEXT_AREA = 1016
STATUS_MESSAGE = 1026
PROGRESS_NAME, PROGRESS_STATUS = 1030, 1032
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

    def close_chooser(self, owner, program, locale, name):
        """The chooser that the owner opened, read, shown in a screenshot and cancelled."""
        chooser = desktop.wait_for_window(None, process=program.name, locale=locale,
                                          owner=owner["handle"])
        desktop.screenshot(name, chooser)
        desktop.press_keys(chooser, "Escape")
        desktop.wait_until_gone(chooser)
        return chooser

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
                if language != "english":  # English keeps its own texts
                    # The link names the licence as the licence window's caption does.
                    self.assertIn(link.removeprefix("<a>").removesuffix("</a>"),
                                  strings["IDS_LICENSE_CAPTION"])
                main_heights[language] = self.check_main_window(language, locale, strings, link)
                self.check_license_window(language, locale, strings)
                self.check_status_windows(language, locale, strings)
                self.check_progress_window(language, locale, strings)
        # The dialog manager found each translation's own copy of the main window, which is
        # taller than the English one.
        for language, height in main_heights.items():
            if language != "english":
                self.assertGreater(height, main_heights["english"], language)

    def test_choosers_and_field_names_in_every_language(self):
        for language, locale in LOCALES.items():
            with self.subTest(language=language):
                strings, _ = translations(language)
                self.check_main_window_choosers(language, locale, strings)
                self.check_license_save_chooser(language, locale, strings)

    def check_main_window_choosers(self, language, locale, strings):
        process = desktop.start(KESTROW, locale=locale, wine_debug="-all,fixme+oleacc")
        try:
            window = desktop.wait_for_window(strings["IDS_MAIN_CAPTION"], process=KESTROW.name,
                                             locale=locale)
            fields = {control["handle"]: control["id"] for control in window["controls"]}
            names = {fields.get(int(handle, 16)): name for handle, name in
                     ACCESSIBLE_NAME_CALL.findall(desktop.wine_messages(process))}
            self.assertEqual(names, {INSTALLER_FIELD: strings["IDS_INSTALLER_LABEL"],
                                     FOLDER_FIELD: strings["IDS_FOLDER_LABEL"]})
            desktop.click_control(window, BROWSE_INSTALLER)
            chooser = self.close_chooser(window, KESTROW, locale, f"language-{language}-open")
            self.assertEqual(desktop.control(chooser, FILE_TYPE_BOX)["text"],
                             strings["IDS_PROGRAMS_FILTER"])
            desktop.click_control(window, INSTALLER_FIELD)
            desktop.type_text(window, wine_session.windows_path(SAMPLE))
            self.assertTrue(wine_session.settled(
                lambda: desktop.control(desktop.refresh(window), BROWSE_FOLDER)["enabled"]))
            desktop.click_control(window, BROWSE_FOLDER)
            chooser = self.close_chooser(window, KESTROW, locale, f"language-{language}-folder")
            self.assertEqual(desktop.control(chooser, FOLDER_BROWSER_TEXT)["text"],
                             strings["IDS_FOLDER_BROWSER_TITLE"])
        finally:
            process.kill()
            process.wait()
            process.messages_file.close()

    def check_license_save_chooser(self, language, locale, strings):
        with self.shown(LICENSE_WINDOW, strings["IDS_LICENSE_CAPTION"], locale) as window:
            desktop.click_control(window, LICENSE_SAVE)
            chooser = self.close_chooser(window, LICENSE_WINDOW, locale,
                                         f"language-{language}-save")
        self.assertEqual(desktop.control(chooser, FILE_NAME_BOX)["text"],
                         strings["IDS_LICENSE_FILE_NAME"])
        self.assertEqual(desktop.control(chooser, FILE_TYPE_BOX)["text"],
                         strings["IDS_LICENSE_FILTER"])

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

    def check_progress_window(self, language, locale, strings):
        expected = {PROGRESS_NAME: "Setup.msi",
                    PROGRESS_STATUS: strings["IDS_BUILD_PROGRESS_STATUS"].replace("%s", "42")}
        with self.shown(PROGRESS_WINDOW, strings["IDS_BUILD_PROGRESS_CAPTION"], locale,
                        "Setup.msi", "425") as window:
            self.assert_window(window, expected, f"{language}-progress")

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
